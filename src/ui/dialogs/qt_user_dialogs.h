#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/user_dialogs.h"

namespace quorva {

// The real dialogs: Qt file dialogs, the tool's error dialog and a critical
// message box captioned with the application title.
class TQtUserDialogs : public TUserDialogs {
public:
    explicit TQtUserDialogs(QString applicationTitle);

    // The window the dialogs are modal to.
    void SetOwner(QWidget* owner) { owner_ = owner; }

    std::optional<std::string> ChooseSaveFile(TSaveFile kind,
                                              const TFileProposal& proposal = {}) override;
    std::optional<std::string> ChooseOpenFile(const TFileProposal& proposal = {}) override;
    void ShowError(const std::string& message) override;
    void ReportFailure(const std::string& message) override;
    bool Ask(const std::string& question) override;
    bool AskYesByDefault(const std::string& question) override;
    TUnsavedAnswer AskSaveUnsavedRows(TDropping dropping) override;
    bool AskReplaceChangedFile(const std::string& fileName) override;
    TRestoreAnswer AskRestoreRows(const std::string& message) override;

private:
    std::optional<std::string> Choose(TFileDialog& dialog, const TFileProposal& proposal);
    QMessageBox::StandardButton AskWith(const QString& question,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton);

    QString applicationTitle_;
    QPointer<QWidget> owner_;
    TFileDialog csvSaveDialog_;
    TFileDialog rowListSaveDialog_;
    TFileDialog openDialog1_;
    TFileDialog imageDialog_;
    TFileDialog spreadsheetDialog_;
};

} // namespace quorva
