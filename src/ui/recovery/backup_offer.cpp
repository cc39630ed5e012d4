#include "ui/recovery/backup_offer.h"

#include "model/base/error.h"

namespace quorva {

void OfferBackups(const std::vector<TFoundBackup>& found, TUserDialogs& dialogs)
{
    for (const TFoundBackup& backup : found) {
        if (!backup.refused.empty()) {
            // Told once: its record goes, the file it names stays.
            dialogs.ShowError(RefusedBackupMessage(backup));
            ForgetBackup(backup);
            continue;
        }
        // The file may be cut short: putting its previous version back is
        // the safe answer.
        if (!dialogs.AskYesByDefault(BackupQuestion(backup)))
            continue;
        try {
            RestoreBackup(backup);
        } catch (const Error& failure) {
            dialogs.ShowError(failure.what());
        }
    }
}

} // namespace quorva
