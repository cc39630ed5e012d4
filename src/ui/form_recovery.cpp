// What the main window offers at start: backups a killed save left, then
// the rows of windows that ended without saving them.

#include "ui/Unit1.h"

#include <QPoint>
#include <QUndoStack>

#include <memory>
#include <optional>

#include "model/journal/journal_folder.h"
#include "ui/base/busy_cursor.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/recovery/backup_offer.h"

namespace quorva {

void TForm1::RestoreLeftRows()
{
    // Backups first: a file cut short by a killed save is whole again
    // before anything reads it or names it.
    OfferBackups(FindAllBackups(), FDialogs);
    // Every journal left is offered now; the rows of the second and later
    // go to windows of their own.
    // Each is held from here until its question is answered.
    bool taken = false;
    for (TLeftJournal& journal : JournalsLeftBehind()) {
        if (!taken) {
            taken = RestoreJournal(journal);
            continue;
        }
        auto other = std::make_unique<TForm1>(FDialogs, FClock);
        if (!other->RestoreJournal(journal))
            continue;
        other->setAttribute(Qt::WA_DeleteOnClose);
        other->move(pos() + QPoint(fontMetrics().height(), fontMetrics().height()) * 2);
        other.release()->show();
    }
}

// The journals windows that ended have left, once the user has been told of
// anything in their folder that is not to be trusted.
std::vector<TLeftJournal> TForm1::JournalsLeftBehind()
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
        FDialogs.ShowError(refusal);
    for (const std::string& notice : taken)
        FDialogs.ShowError(notice);
    return journals;
}

// Returns whether the journal's rows are now this window's; a journal not
// taken is let go of as it is, unless the user discards it.
bool TForm1::RestoreJournal(TLeftJournal& journal)
{
    TRowTable rows;
    TLineList lines(rows);
    std::optional<TJournalReplay> replay;
    try {
        // A large journal takes a while to read: the window goes on
        // painting, and Cancel leaves it for the next start.
        TBusyCursor busy;
        TProgressDialog progress(this, RestoringCaption(), FClock);
        replay = ReadLeftJournal(journal, rows, lines, progress);
    } catch (const Cancelled&) {
        return false;
    } catch (const Error& error) {
        FDialogs.ShowError(error.what());
    }
    if (!replay)
        return false;
    // No to discarding for good goes back to the question, not past it.
    TUserDialogs::TRestoreAnswer answer;
    do
        answer = FDialogs.AskRestoreRows(RestoreQuestion(*replay));
    while (answer == TUserDialogs::TRestoreAnswer::Discard &&
           !FDialogs.Ask(DiscardJournalQuestion()));
    switch (answer) {
    case TUserDialogs::TRestoreAnswer::Later:
        return false;
    case TUserDialogs::TRestoreAnswer::Discard:
        DiscardJournal(journal.path);
        return false;
    case TUserDialogs::TRestoreAnswer::Restore:
        break;
    }
    FRows = std::move(rows);
    FLines.AssignRows(FRows, lines.Stored());
    FHistory->clear();
    // Unsaved until they are saved, though no step of theirs is here; the
    // file is known as it was when the rows were read, so that a Save over
    // a file changed since asks first.
    FHistory->resetClean();
    FFile.Remember(replay->base.fileName, replay->base.identity);
    FJournal->Adopt(std::move(journal), *replay);
    return true;
}

} // namespace quorva
