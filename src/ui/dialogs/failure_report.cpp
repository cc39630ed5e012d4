#include "ui/dialogs/failure_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <new>

#include "ui/base/busy_cursor.h"
#include "ui/base/display_text.h"

namespace quorva {

namespace {

// A failure can strike in the middle of a drag or while a menu is open; the
// report must not leave the mouse captured by a widget the user can no
// longer see working.
void CancelMouseModes()
{
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

} // namespace

std::string FailureMessage(const std::exception& failure)
{
    if (dynamic_cast<const std::bad_alloc*>(&failure))
        return "Not enough memory to finish the operation.";
    return failure.what();
}

std::string FailureText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

void ReportFailure(const std::string& message, const QString& applicationTitle)
{
    CancelMouseModes();
    TNormalCursor arrow;
    QMessageBox box(QMessageBox::Critical, applicationTitle, DisplayText(FailureText(message)),
                    QMessageBox::Ok, QApplication::activeWindow());
    // A file name or message that happens to look like markup is shown as
    // it is, never rendered.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace quorva
