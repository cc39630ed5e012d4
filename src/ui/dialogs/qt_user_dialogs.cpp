#include "ui/dialogs/qt_user_dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

#include "model/base/shown_name.h"
#include "model/files/file_path.h"
#include "ui/base/display_text.h"
#include "ui/base/native_file_name.h"
#include "ui/dialogs/error_dialog.h"
#include "ui/dialogs/failure_report.h"

namespace quorva {

namespace {

// The proposal as the file dialog takes it: a folder alone, a name alone, or
// the name in the folder.
TFileDialog::TProposal ProposedPath(const TFileProposal& proposal)
{
    return {QFile::decodeName(proposal.folder.c_str()), QFile::decodeName(proposal.name.c_str())};
}

} // namespace

TQtUserDialogs::TQtUserDialogs(QString applicationTitle)
    : applicationTitle_(std::move(applicationTitle)),
      csvSaveDialog_({QStringLiteral("SaveDialog1"), QStringLiteral("csv (*.csv)"),
                      QStringLiteral("csv"), QFileDialog::AcceptSave}),
      rowListSaveDialog_({QStringLiteral("SaveDialog2"), QStringLiteral("tir (*.tir)"),
                          QStringLiteral("tir"), QFileDialog::AcceptSave}),
      openDialog1_({QStringLiteral("OpenDialog1"), QStringLiteral("tir (*.tir)"),
                    QStringLiteral("tir"), QFileDialog::AcceptOpen}),
      imageDialog_({QStringLiteral("ImageDialog"), QStringLiteral("png (*.png)"),
                    QStringLiteral("png"), QFileDialog::AcceptSave})
{
}

std::optional<std::string> TQtUserDialogs::ChooseSaveFile(TSaveFile kind,
                                                          const TFileProposal& proposal)
{
    switch (kind) {
    case TSaveFile::TriangleCsv:
        return Choose(csvSaveDialog_, proposal);
    case TSaveFile::RowList:
        return Choose(rowListSaveDialog_, proposal);
    case TSaveFile::ViewImage:
        break;
    }
    return Choose(imageDialog_, proposal);
}

std::optional<std::string> TQtUserDialogs::ChooseOpenFile(const TFileProposal& proposal)
{
    return Choose(openDialog1_, proposal);
}

std::optional<std::string> TQtUserDialogs::Choose(TFileDialog& dialog,
                                                  const TFileProposal& proposal)
{
    // Modal to the window the user asked from: the main window, or another
    // of the program's windows such as a triangle view.
    QWidget* active = QApplication::activeWindow();
    const std::optional<QString> path =
        dialog.Choose(active ? active : owner_.data(), ProposedPath(proposal));
    if (!path)
        return std::nullopt;
    return NativeFileName(*path);
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
    return AskWith(DisplayText(question), QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

bool TQtUserDialogs::AskYesByDefault(const std::string& question)
{
    return AskWith(DisplayText(question), QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

QMessageBox::StandardButton TQtUserDialogs::AskWith(const QString& question,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton)
{
    QWidget* active = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Question, applicationTitle_, question, buttons,
                    active ? active : owner_.data());
    // File names in a question are text, never markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

TUserDialogs::TUnsavedAnswer TQtUserDialogs::AskSaveUnsavedRows(TDropping dropping)
{
    const auto before = [dropping] {
        switch (dropping) {
        case TDropping::OpeningAnother:
            return QStringLiteral("opening another file");
        case TDropping::StartingNew:
            return QStringLiteral("starting a new list");
        case TDropping::Closing:
            break;
        }
        return QStringLiteral("closing");
    };
    switch (AskWith(QStringLiteral("The rows have changed since they were last saved. "
                                   "Save them before %1?")
                        .arg(before()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                    QMessageBox::Save)) {
    case QMessageBox::Save:
        return TUnsavedAnswer::Save;
    case QMessageBox::Discard:
        return TUnsavedAnswer::Discard;
    default:
        return TUnsavedAnswer::Cancel;
    }
}

bool TQtUserDialogs::AskReplaceChangedFile(const std::string& fileName)
{
    return AskWith(DisplayText("This file has changed on disk since it was opened here:" +
                               NameLine(AbsolutePath(fileName)) + "\nReplace it anyway?"),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

TUserDialogs::TRestoreAnswer TQtUserDialogs::AskRestoreRows(const std::string& message)
{
    QWidget* active = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Question, applicationTitle_, DisplayText(message),
                    QMessageBox::NoButton, active ? active : owner_.data());
    box.setTextFormat(Qt::PlainText);
    // Named by what they do; Esc, like closing the box, decides nothing.
    QPushButton* restore = box.addButton(QStringLiteral("Restore"), QMessageBox::AcceptRole);
    QPushButton* later = box.addButton(QStringLiteral("Not now"), QMessageBox::RejectRole);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == restore)
        return TRestoreAnswer::Restore;
    return box.clickedButton() == discard ? TRestoreAnswer::Discard : TRestoreAnswer::Later;
}

} // namespace quorva
