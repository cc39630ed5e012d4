#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/journal/row_journal.h"

namespace quorva {

// The folder of journals: where a window begins one, how a start finds those
// left behind, what becomes of one that is given up or can't be read, and
// what the user is told of them.

// What a start that found the journal asks: whose rows, whether the file
// changed since, whether damaged.
std::string RestoreQuestion(const TJournalReplay& replay);

// The folder journals are kept in, the state folder's "journals", made when
// missing. Raises Error when it is not safe to use.
std::string JournalFolder();
// A name there for a new journal, used by no other.
std::string NewJournalPath();
// A journal left behind, held: opened for reading and appending, and locked
// for as long as this start holds it, so that no other start reads, takes
// or deletes it meanwhile. Letting it go (Not now) releases it as it was.
struct TLeftJournal {
    std::string path;
    TFileDescriptor fd;
};

// The journals in `folder` whose windows have ended, each held, in the order
// they were begun. Journals begun after this process started, or that
// another process holds, are left alone whatever they hold; for one held by
// a window that took it over after its own window ended, what the user is
// to be told goes to `taken`. What is named like a journal but is no private
// file of the user's is left alone too, and why goes to `refusals`. What a
// window ended before could leave half done is cleared: a base copy whose
// journal is gone, a journal never given its name.
std::vector<TLeftJournal> LeftJournals(const std::string& folder,
                                       std::vector<std::string>& refusals,
                                       std::vector<std::string>& taken);
// Reads a journal left behind, and held, into `rows` and `lines`, as
// ReplayJournal does. Returns nothing when there is nothing to offer: it was
// begun but never written (then it is deleted). Raises Error with what the
// user is to be told when it can't be read (it is set aside first) or its
// rows don't fit in memory (it stays). Cancelled through `progress` leaves
// it as it was.
std::optional<TJournalReplay> ReadLeftJournal(const TLeftJournal& journal, TRowTable& rows,
                                              TLineList& lines, TProgress& progress = NoProgress());

// Deletes a journal held (left behind, or a window's own), then its copy and
// anything set aside of it.
void DiscardJournal(const std::string& path) noexcept;

// What the user is told and asked about journals.
std::string DiscardJournalQuestion();
std::string JournalLostMessage(const std::string& reason);
std::string JournalNotTakenMessage(const std::string& reason);

} // namespace quorva
