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
// The journals in `folder` whose windows have ended, in the order they were
// begun; what is
// named like one but is no private file of the user's is left alone, and
// why goes to `refusals`.
std::vector<std::string> LeftJournals(const std::string& folder,
                                      std::vector<std::string>& refusals);
// A journal's bytes, read as the state file it must be. Raises Error.
std::string ReadJournal(const std::string& path);
// Reads a journal left behind into `rows` and `lines`, as ReplayJournal
// does. Returns nothing when there is nothing to offer: the journal is gone,
// taken by another start, or was begun but never written (then it is
// deleted). Raises Error with what the user is to be told when it can't be
// read (it is set aside first) or its rows don't fit in memory (it stays).
std::optional<TJournalReplay> ReadLeftJournal(const std::string& path, TRowTable& rows,
                                              TLineList& lines);

// Deletes a journal left behind, its copy and anything set aside of it.
void DiscardJournal(const std::string& path) noexcept;

// What the user is told and asked about journals.
std::string DiscardJournalQuestion();
std::string JournalLostMessage(const std::string& reason);

} // namespace quorva
