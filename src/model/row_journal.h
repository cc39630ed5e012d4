#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/line_list.h"
#include "model/row_change.h"
#include "model/row_table.h"

namespace quorva {

// A journal of unsaved rows: the file they started from (none for the empty
// list) and every step done or taken back since, each a record that checks
// itself, so that the rows survive the end of the window that edits them.
//
// A running window holds a lock on its journal; a journal nobody holds was
// left by a window that ended without saving.
class TRowJournal {
public:
    // Starts a journal at `path` for rows based on `baseFileName`.
    TRowJournal(std::string path, const std::string& baseFileName);
    // Takes over a journal left behind, keeping its first `validBytes`.
    TRowJournal(std::string path, std::size_t validBytes);
    ~TRowJournal();
    TRowJournal(const TRowJournal&) = delete;
    TRowJournal& operator=(const TRowJournal&) = delete;

    const std::string& Path() const { return path_; }
    // Keeps a step to be written by the next Flush.
    void Add(bool apply, const TRowChange& change);
    bool HasPending() const { return !pending_.empty(); }
    // Writes the steps kept so far; raises Error when that fails.
    void Flush();
    // Deletes the journal: its rows are saved or given up.
    void Remove();

private:
    void Write(const std::string& record);

    std::string path_;
    int fd_ = -1;
    std::string pending_;
};

// What a journal gives back.
struct TJournalReplay {
    std::string baseFileName;
    int steps = 0;
    // Whether something after the last whole, usable step was cut off or
    // damaged; the steps before it are restored all the same.
    bool damaged = false;
    // How much of the journal holds the restored steps.
    std::size_t validBytes = 0;
};

// Rebuilds the rows and lines a journal's window last had: its base file
// read as Open reads it, then every whole step. Never raises for damage.
TJournalReplay ReplayJournal(std::string_view journal, TRowTable& rows, TLineList& lines);

// What a start that found the journal asks: whose rows, whether damaged.
std::string RestoreQuestion(const TJournalReplay& replay);

// The folder journals are kept in: $XDG_STATE_HOME/quorva/journals, by
// default ~/.local/state/quorva/journals.
std::string JournalFolder();
// A name there for a new journal, used by no other.
std::string NewJournalPath();
// The journals in `folder` whose windows have ended, oldest first.
std::vector<std::string> LeftJournals(const std::string& folder);

} // namespace quorva
