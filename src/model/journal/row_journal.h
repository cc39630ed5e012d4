#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/base/error.h"
#include "model/base/progress.h"
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
//   <stem>.journal   "quorva journal 3\n", then records, each its payload's
//                    length and checksum, then the payload:
//                      B  first: the base file's name and identity, as the
//                         rows were read from it ("" for a list begun empty)
//                      C  the base copy is whole: its size and checksum
//                      A  a step applied     R  a step taken back, each with
//                         its number, from 1 on, so that a step repeated or
//                         out of its place is seen as damage
//   <stem>.base      the journal's own copy of the base file's bytes
//
// Journals of version 2 (steps without numbers) are still read and kept.
//
// A journal is locked by its window from before its name appears until it
// is deleted; a journal nobody holds was left by a window that ended without
// saving, and is taken over by locking that same file.

// The file the unsaved rows began from, as it was when they were read.
struct TJournalBase {
    std::string fileName; // absolute; "" for a list begun empty
    std::optional<TFileIdentity> identity;
    // The journal's copy holds the rows as the window had them when the file
    // had already changed: until that copy is vouched for, the journal holds
    // nothing the file could give back, and the journal before it is kept.
    bool fromRows = false;
};

// A journal file, locked while this object lives.
class TRowJournal {
public:
    // Begins a journal at `path`, which no file may have yet, for rows
    // based on `base`. The name appears only once the file is whole, locked
    // and on disk. Raises Error, and nothing is then left at `path`.
    TRowJournal(std::string path, const TJournalBase& base);
    // Goes on with a journal left behind, opened for reading and appending
    // and locked as `held`; its whole records end at `validBytes`, and
    // whatever follows is set aside first. Raises Error.
    TRowJournal(std::string path, TFileDescriptor held, std::size_t validBytes);

    const std::string& Path() const { return path_; }
    std::string BaseCopyPath() const;

    // Writes records at the end of the file, all of them (a short write is
    // continued), and does not flush them: they reach the disk only with
    // Sync, which the journal's writer calls on its own thread within a
    // second of a step, or at once when it is waited for, for all that was
    // appended by then. Raise Error ("Stream write error. <reason>").
    void Append(std::string_view records);
    // Flushes what was appended to the disk (fdatasync).
    void Sync();
    // Deletes the journal, then its base copy: the rows are saved or given
    // up. A kill between leaves no journal, only a copy the next start clears.
    void Remove() noexcept;

private:
    std::string path_;
    TFileDescriptor fd_;
};

// The record of one step, as the window takes it: the `number`-th of its
// journal, or with no number (0) for a journal of version 2.
std::string StepRecord(bool apply, const TRowChange& change, std::uint64_t number);

// Copies the base file's bytes to `copyPath` and flushes them, when the file
// is still as the rows were read from it, before and after the copy. Returns
// the record that says the copy is whole, or nothing when the file has
// changed meanwhile. Raises Error when copying fails.
std::optional<std::string> CopyBase(const TJournalBase& base, const std::string& copyPath,
                                    const std::atomic<bool>* stop = nullptr);
// Flushes the copy open as `fd` (of the file `name`) and returns the record
// that vouches for it as it now stands. Raises Error.
std::string VouchedCopyRecord(int fd, const std::string& name, const std::atomic<bool>* stop);
// The same without the flush, for a copy flushed afterwards: a copy a power
// cut damages fails its checksum, and the journal then needs the file as
// before.
std::string CopyRecord(int fd, const std::string& name, const std::atomic<bool>* stop);
// Writes `lines` as a new copy at `copyPath`, private whatever the umask, and
// flushes it. Returns the record that says the copy is whole. Raises Error.
std::string WriteBaseCopy(const TLineList& lines, const std::string& copyPath,
                          const std::atomic<bool>* stop = nullptr);

// Where a journal's own copy of its base lies.
std::string BaseCopyPath(const std::string& journalPath);
// Makes the names of a journal and of its base copy durable, once both are
// made or either is new: a power cut soon after could otherwise lose them
// with all the steps they hold. Raises Error.
void SyncJournalFolder(const std::string& journalPath);

// What a journal gives back.
struct TJournalReplay {
    TJournalBase base;
    int version = 0;
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
// A journal begun from the rows whose copy was never finished: it holds no
// rows of its own, and the journal it was to follow is still there.
class UnfinishedJournal : public Error {
public:
    using Error::Error;
};

// Rebuilds the rows and lines a journal's window last had: its own copy of
// the base (the base file itself while that is unchanged and no copy was
// finished), then every whole step. Each step is checked whole before it is
// applied; the first that is damaged or does not fit ends the replay and
// changes nothing. Raises UnreadableJournal, and NotEnoughMemory (or a real
// std::bad_alloc) when the rows do not fit in memory; `rows` and `lines` are
// then in no particular state.
// Reading the base reports to `progress`, and ends with Cancelled when it
// says stop.
TJournalReplay ReplayJournal(std::string_view journal, const std::string& baseCopyPath,
                             TRowTable& rows, TLineList& lines, TProgress& progress = NoProgress());

// How a journal's name ends; its files beside it share its stem.
inline constexpr std::string_view JournalEnding = ".journal";
// The file beside a journal with the same stem and `ending` (".base").
std::string JournalSibling(const std::string& journalPath, std::string_view ending);
// How the hidden name begins that a journal has while it is being made,
// where the file system has no unnamed files: no start takes it for one.
inline constexpr std::string_view MakingJournalPrefix = ".making-journal-";

} // namespace quorva
