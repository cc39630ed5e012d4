#include "ui/backup_offer.h"

#include "model/error.h"

namespace quorva {

void OfferBackups(const std::vector<TFoundBackup>& found, TUserDialogs& dialogs)
{
    for (const TFoundBackup& backup : found) {
        if (!dialogs.Ask(BackupQuestion(backup)))
            continue;
        try {
            RestoreBackup(backup);
        } catch (const Error& failure) {
            dialogs.ShowError(failure.what());
        }
    }
}

} // namespace quorva
