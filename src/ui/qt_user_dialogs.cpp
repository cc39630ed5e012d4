#include "ui/qt_user_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>

#include <utility>

#include "ui/display_text.h"
#include "ui/error_dialog.h"
#include "ui/failure_report.h"

namespace quorva {

TQtUserDialogs::TQtUserDialogs(QString applicationTitle)
    : applicationTitle_(std::move(applicationTitle)),
      saveDialog1_({QStringLiteral("SaveDialog1"), QStringLiteral("csv (*.csv)"),
                    QStringLiteral("csv"), QFileDialog::AcceptSave}),
      saveDialog2_({QStringLiteral("SaveDialog2"), QStringLiteral("tir (*.tir)"),
                    QStringLiteral("tir"), QFileDialog::AcceptSave}),
      openDialog1_({QStringLiteral("OpenDialog1"), QStringLiteral("tir (*.tir)"),
                    QStringLiteral("tir"), QFileDialog::AcceptOpen}),
      imageDialog_({QStringLiteral("ImageDialog"), QStringLiteral("png (*.png)"),
                    QStringLiteral("png"), QFileDialog::AcceptSave})
{
}

std::optional<std::string> TQtUserDialogs::ChooseSaveFile(TSaveFile kind)
{
    switch (kind) {
    case TSaveFile::TriangleCsv:
        return Choose(saveDialog1_);
    case TSaveFile::RowList:
        return Choose(saveDialog2_);
    case TSaveFile::ViewImage:
        break;
    }
    return Choose(imageDialog_);
}

std::optional<std::string> TQtUserDialogs::ChooseOpenFile()
{
    return Choose(openDialog1_);
}

std::optional<std::string> TQtUserDialogs::Choose(TFileDialog& dialog)
{
    // Modal to the window the user asked from: the main window, or another
    // of the program's windows such as a triangle view.
    QWidget* active = QApplication::activeWindow();
    const std::optional<QString> path = dialog.Choose(active ? active : owner_.data());
    if (!path)
        return std::nullopt;
    return QFile::encodeName(*path).toStdString();
}

void TQtUserDialogs::ShowError(const std::string& message)
{
    ShowErrorDialog(DisplayText(message), owner_);
}

void TQtUserDialogs::ReportFailure(const std::string& message)
{
    quorva::ReportFailure(message, applicationTitle_);
}

bool TQtUserDialogs::Ask(const std::string& question)
{
    QWidget* active = QApplication::activeWindow();
    return QMessageBox::question(active ? active : owner_.data(), applicationTitle_,
                                 DisplayText(question), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

} // namespace quorva
