#include "ui/recovery/left_rows_offer.h"

#include <string>

#include "model/base/error.h"
#include "ui/base/busy_cursor.h"
#include "ui/dialogs/progress_dialog.h"

namespace quorva {

std::vector<TLeftJournal> JournalsLeftBehind(TUserDialogs& dialogs)
{
    std::vector<TLeftJournal> journals;
    std::vector<std::string> refusals;
    std::vector<std::string> taken;
    try {
        journals = LeftJournals(JournalFolder(), refusals, taken);
    } catch (const Error& unsafe) {
        refusals.push_back(unsafe.what());
    }
    for (const std::string& refusal : refusals)
        dialogs.ShowError(refusal);
    for (const std::string& notice : taken)
        dialogs.ShowError(notice);
    return journals;
}

std::unique_ptr<TLeftRows> OfferLeftRows(TLeftJournal& journal, TUserDialogs& dialogs,
                                         QWidget* window, const TWindowClock& clock)
{
    std::unique_ptr<TLeftRows> left;
    try {
        // A large journal takes a while to read: the window goes on
        // painting, and Cancel leaves it for the next start.
        TBusyCursor busy;
        TProgressDialog progress(window, RestoringCaption(), clock);
        left = ReadLeftRows(journal, progress);
    } catch (const Cancelled&) {
        return nullptr;
    } catch (const Error& error) {
        dialogs.ShowError(error.what());
    }
    if (!left)
        return nullptr;
    // No to discarding for good goes back to the question, not past it.
    TUserDialogs::TRestoreAnswer answer;
    do
        answer = dialogs.AskRestoreRows(RestoreQuestion(left->replay));
    while (answer == TUserDialogs::TRestoreAnswer::Discard &&
           !dialogs.Ask(DiscardJournalQuestion()));
    switch (answer) {
    case TUserDialogs::TRestoreAnswer::Later:
        return nullptr;
    case TUserDialogs::TRestoreAnswer::Discard:
        DiscardJournal(journal.path);
        return nullptr;
    case TUserDialogs::TRestoreAnswer::Restore:
        break;
    }
    return left;
}

} // namespace quorva
