#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace quorva {

// The tool's own error message: caption "Error", the stop icon, the message
// wrapped at half the screen width and one "OK" that answers Enter and Esc.
// Ctrl+C copies the whole message as text.
class TErrorDialog : public QDialog {
    Q_OBJECT

public:
    explicit TErrorDialog(const QString& message, QWidget* parent = nullptr);

    QString CopyText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LayOut(const QString& message);
    void PlaceOnScreen();

    QLabel* icon_;
    QLabel* text_;
    QPushButton* ok_;
};

// Shows the error dialog, modal to the whole program, and returns once the
// user has closed it.
void ShowErrorDialog(const QString& message, QWidget* parent = nullptr);

// The clipboard form of a message: caption, message and button captions
// (without '&', each followed by three spaces) between lines of 27 dashes,
// every line ending in CR LF.
QString ErrorDialogCopyText(const QString& caption, const QString& message,
                            const QStringList& buttonCaptions);

} // namespace quorva
