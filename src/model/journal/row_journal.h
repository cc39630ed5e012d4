#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/base/error.h"
#include "model/files/file_descriptor.h"
#include "model/files/file_identity.h"
#include "model/rows/line_list.h"
#include "model/rows/row_change.h"
#include "model/rows/row_table.h"

namespace quorva {

// A journal of unsaved rows holds all that is needed to give them back, so
// that they survive the end of the window that edits them whatever becomes
// of the file they came from. On disk it is two files side by side:
//
//   <stem>.journal   "quorva journal 2\n", then records, each its payload's
//                    length and checksum, then the payload:
//                      B  first: the base file's name and identity, as the
//                         rows were read from it ("" for a list begun empty)
//                      C  the base copy is whole: its size and checksum
//                      A  a step applied     R  a step taken back
//   <stem>.base      the journal's own copy of the base file's bytes
//
// A running window holds a lock on its journal; a journal nobody holds was
// left by a window that ended without saving.

// The file the unsaved rows began from, as it was when they were read.
struct TJournalBase {
    std::string fileName; // absolute; "" for a list begun empty
    std::optional<TFileIdentity> identity;
};

// A journal file, locked while this object lives.
class TRowJournal {
public:
    // Begins a journal at `path`, which no file may have yet, for rows
    // based on `base`. Raises Error.
    TRowJournal(std::string path, const TJournalBase& base);
    // Goes on with a journal left behind; its whole records end at
    // `validBytes`, and whatever follows is set aside first. Raises Error.
    TRowJournal(std::string path, std::size_t validBytes);

    const std::string& Path() const { return path_; }
    std::string BaseCopyPath() const;

    // Writes records at the end and flushes them to disk. Raise Error.
    void Append(std::string_view records);
    void Sync();
    // Deletes the journal and its base copy: the rows are saved or given up.
    void Remove() noexcept;

private:
    std::string path_;
    TFileDescriptor fd_;
};

// The record of one step, as the window takes it.
std::string StepRecord(bool apply, const TRowChange& change);

// Copies the base file's bytes to `copyPath` and flushes them, when the file
// is still as the rows were read from it, before and after the copy. Returns
// the record that says the copy is whole, or nothing when the file has
// changed meanwhile. Raises Error when copying fails.
std::optional<std::string> CopyBase(const TJournalBase& base, const std::string& copyPath,
                                    const std::atomic<bool>* stop = nullptr);
// The same for a copy already written at `copyPath`: flushes and checks it.
std::string BaseCopiedRecord(const std::string& copyPath, const std::atomic<bool>* stop = nullptr);

// Where a journal's own copy of its base lies.
std::string BaseCopyPath(const std::string& journalPath);
// Makes the names of a journal and of its base copy durable, once both are
// made or either is new: a power cut soon after could otherwise lose them
// with all the steps they hold. Raises Error.
void SyncJournalFolder(const std::string& journalPath);

// What a journal gives back.
struct TJournalReplay {
    TJournalBase base;
    int steps = 0;
    // Whether something after the last whole, usable step was cut off or
    // damaged; the steps before it are restored all the same.
    bool damaged = false;
    // How much of the journal holds the restored steps.
    std::size_t validBytes = 0;
    // Whether the base file is no longer as the rows were read from it.
    bool fileChanged = false;
    // Whether the rows came from the journal's own copy, not the file.
    bool baseCopied = false;
};

// A journal that gives back no rows at all: an unknown format, a damaged
// header, or a base that is neither copied whole nor unchanged on disk.
class UnreadableJournal : public Error {
public:
    using Error::Error;
};

// Rebuilds the rows and lines a journal's window last had: its own copy of
// the base (the base file itself while that is unchanged and no copy was
// finished), then every whole step. Each step is checked whole before it is
// applied; the first that is damaged or does not fit ends the replay and
// changes nothing. Raises UnreadableJournal, and std::bad_alloc when the rows
// do not fit in memory; `rows` and `lines` are then in no particular state.
TJournalReplay ReplayJournal(std::string_view journal, const std::string& baseCopyPath,
                             TRowTable& rows, TLineList& lines);

// How a journal's name ends; its files beside it share its stem.
inline constexpr std::string_view JournalEnding = ".journal";
// The file beside a journal with the same stem and `ending` (".base").
std::string JournalSibling(const std::string& journalPath, std::string_view ending);

} // namespace quorva
