#include "ui/dialogs/error_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "ui/base/busy_cursor.h"
#include "ui/base/window_accessibility.h"
#include "ui/dialogs/error_dialog_layout.h"

namespace quorva {

namespace {

const QString Caption = QStringLiteral("Error");
const QString OkCaption = QStringLiteral("OK");

int AverageLetterWidth(const QFontMetrics& metrics)
{
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return metrics.horizontalAdvance(letters) / 52;
}

QScreen* ScreenFor(const QWidget* parent)
{
    if (parent && parent->screen())
        return parent->screen();
    return QGuiApplication::primaryScreen();
}

} // namespace

TErrorDialog::TErrorDialog(const QString& message, QWidget* parent)
    : QDialog(parent), icon_(new QLabel(this)), text_(new QLabel(this)),
      ok_(new QPushButton(OkCaption, this))
{
    AnnounceClassAs(staticMetaObject, QAccessible::AlertMessage);
    setWindowTitle(Caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    setFont(QApplication::font("QMessageBox"));

    icon_->setObjectName(QStringLiteral("icon"));
    icon_->setPixmap(style()
                         ->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this)
                         .pixmap(ErrorIconSize, ErrorIconSize));
    text_->setObjectName(QStringLiteral("message"));
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setText(message);
    text_->setAccessibleName(message);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    LayOut(message);
    PlaceOnScreen();
    ok_->setFocus();
}

void TErrorDialog::LayOut(const QString& message)
{
    const QFontMetrics metrics(font());
    const int wrapWidth = ScreenFor(parentWidget())->geometry().width() / 2;
    const QRect wrapped =
        metrics.boundingRect(QRect(0, 0, wrapWidth, 0), Qt::AlignLeft | Qt::TextWordWrap, message);

    const TErrorDialogLayout layout =
        LayOutErrorDialog({AverageLetterWidth(metrics), metrics.height(), wrapped.size(),
                           metrics.horizontalAdvance(OkCaption)});
    icon_->setGeometry(layout.icon);
    text_->setGeometry(layout.text);
    ok_->setGeometry(layout.button);
    setFixedSize(layout.client);
}

void TErrorDialog::PlaceOnScreen()
{
    const QRect screen = ScreenFor(parentWidget())->geometry();
    move(screen.center() - rect().center());
}

QString TErrorDialog::CopyText() const
{
    return ErrorDialogCopyText(windowTitle(), text_->text(), {ok_->text()});
}

void TErrorDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        QApplication::beep();
        QGuiApplication::clipboard()->setText(CopyText());
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ShowErrorDialog(const QString& message, QWidget* parent)
{
    TNormalCursor arrow;
    TErrorDialog dialog(message, parent);
    dialog.exec();
}

QString ErrorDialogCopyText(const QString& caption, const QString& message,
                            const QStringList& buttonCaptions)
{
    const QString rule = QString(27, u'-') + QStringLiteral("\r\n");
    QString buttons;
    for (QString button : buttonCaptions)
        buttons += button.remove(u'&') + QStringLiteral("   ");
    return rule + caption + QStringLiteral("\r\n") + rule + message + QStringLiteral("\r\n") +
           rule + buttons + QStringLiteral("\r\n") + rule;
}

} // namespace quorva
