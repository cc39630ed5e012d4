#pragma once

#include <QFileDialog>
#include <QString>

#include <optional>

namespace quorva {

// One of the window's file dialogs. It keeps the full path the user chose
// last and offers it again the next time; a cancelled dialog changes nothing.
class TFileDialog {
public:
    struct TSettings {
        QString name;          // e.g. "SaveDialog1"
        QString filter;        // e.g. "csv (*.csv)"
        QString defaultSuffix; // appended to a name typed without one
        QFileDialog::AcceptMode mode;
    };

    explicit TFileDialog(TSettings settings);

    // Where the dialog starts: a folder and a name for the name box. With
    // neither, it offers the path chosen last.
    struct TProposal {
        QString folder;
        QString name;
    };

    // Shows the dialog modal to `owner` and returns the chosen full path.
    std::optional<QString> Choose(QWidget* owner, const TProposal& proposal = {});

    // Sets up a dialog as this one shows it; exposed so the settings can be
    // checked without showing anything.
    void Configure(QFileDialog& dialog, const TProposal& proposal = {}) const;

    const QString& PreviousPath() const { return previousPath_; }

private:
    TSettings settings_;
    QString previousPath_;
};

} // namespace quorva
