#include "ui/dialogs/file_dialog.h"

#include <QScreen>

#include <utility>

#include "ui/base/dialog_placement.h"

namespace quorva {

TFileDialog::TFileDialog(TSettings settings) : settings_(std::move(settings)) {}

void TFileDialog::Configure(QFileDialog& dialog, const TProposal& proposal) const
{
    dialog.setObjectName(settings_.name);
    // Qt's own dialog, so that it can be placed like the others and behaves
    // the same on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(settings_.mode);
    // Open, too, takes a name that does not exist; reading it then fails with
    // the usual message instead of the dialog refusing it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(settings_.filter);
    dialog.setDefaultSuffix(settings_.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, settings_.mode != QFileDialog::AcceptSave);
    dialog.setSizeGripEnabled(true);
    if (!proposal.folder.isEmpty())
        dialog.setDirectory(proposal.folder);
    if (!proposal.name.isEmpty())
        dialog.selectFile(proposal.name);
    else if (proposal.folder.isEmpty() && !previousPath_.isEmpty())
        dialog.selectFile(previousPath_);
}

std::optional<QString> TFileDialog::Choose(QWidget* owner, const TProposal& proposal)
{
    QFileDialog dialog(owner);
    Configure(dialog, proposal);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.adjustSize();
    if (QScreen* monitor = DialogMonitor(owner))
        dialog.move(FileDialogPosition(monitor->geometry(), dialog.frameGeometry().size()));

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    previousPath_ = dialog.selectedFiles().constFirst();
    return previousPath_;
}

} // namespace quorva
