#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

#include "model/base/progress.h"
#include "model/base/system_resources.h"
#include "model/files/direct_output.h"
#include "model/files/file_descriptor.h"
#include "model/files/file_io.h"
#include "model/files/in_place_backup.h"

namespace quorva {

// Replaces a file's contents all or nothing. Until Commit() succeeds the
// target is untouched; a writer destroyed without a successful Commit()
// leaves the folder and the target as they were.
//
// Three ways, chosen by what the target is:
//
// - Replace (a new file, or a regular file nothing below applies to): the
//   text goes into an unnamed temporary file in the target's folder
//   (O_TMPFILE), so that a crash leaves nothing behind. Once complete and
//   flushed it gets a name and is renamed over the target. Where the file
//   system has no unnamed files, a hidden named one (".name.XXXXXX") serves.
//   The new file has exactly the old one's permission bits, owner, group and
//   extended attributes (POSIX ACLs included): what it inherited from the
//   folder and the old file lacked is taken away. A large text goes past
//   the page cache (see TDirectOutput).
// - In place (an existing regular file that a rename would turn into another
//   file for the rest of the system: one with more than one hard link, one
//   whose owner, group or attributes the new file could not be given, one in
//   a folder the user may not write): the file is truncated and rewritten,
//   as careful editors do. Before its old bytes go they are copied to a
//   durable backup (see TInPlaceBackup), which is removed once the new text
//   is flushed; a failure or a cancel writes them back from it. With
//   ExpectBytes(), a text that would not fit in the free space, backup
//   included, is refused before the file is touched.
// - Device (an existing target that is no regular file): opened and written
//   as it is. Opening never waits: a named pipe without a reader fails at
//   once with "No such device or address". Nor does writing hold the caller:
//   a pipe or socket that takes no more is waited for in short slices, and a
//   reader that has gone gives "Stream write error. Broken pipe" (where
//   SIGPIPE is ignored, see IgnoreBrokenPipes).
//
// A new file gets the mode and ACL that creating it in its folder gives:
// the umask, or the folder's default ACL, applies as for any new file.
//
// The target is refused as the old in-place writer would have refused it: a
// folder, a missing folder or an existing file the user may not write fails
// with "Cannot create file". A symbolic link is followed, so the file it
// points to is written and the link stays.
//
// An existing file is written by one writer at a time: the writer holds an
// exclusive lock on it (see WaitForLock) from construction to the end,
// restoring included, and waits for one held by another, asking `progress`
// whether to go on.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const std::string& fileName, TProgress& progress = NoProgress());

    // A descriptor the program holds open, such as standard output, and the
    // name its messages give it.
    struct TOpenDescriptor {
        int fd;
        std::string name;
    };
    // Writes to that descriptor's file as it stands, the Device way, and
    // leaves the descriptor open. A pipe or terminal is opened anew where
    // the system allows it, so that writing without waiting is this
    // writer's own affair; a regular file is written from where the
    // descriptor stands, so that a shell's ">>" appends.
    explicit TAtomicFileWriter(const TOpenDescriptor& target);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // The number of bytes the caller is about to write in all. A file
    // rewritten in place checks with it, before its old contents go, that
    // the new text fits in the free space of its folder's file system.
    void ExpectBytes(std::uint64_t bytes, const TSystemResources& resources = SystemResources());

    // Called, on the thread that writes, every few milliseconds while a pipe
    // or socket takes no more, so that the caller can keep its progress
    // shown and end the wait by raising Cancelled.
    using TWaitFn = std::function<void()>;

    // Writes all of `data`, retrying short writes; raises "Stream write
    // error" with the system's reason when the system accepts no more.
    void Write(std::string_view data, const TWaitFn& whileWaiting = {});

    // Flushes the text to disk and puts it in place of the target.
    void Commit();

    // Whether the text written so far went past the page cache.
    bool WritesDirect() const { return direct_ && direct_->Direct(); }

private:
    enum class TWay { Replace, InPlace, Device };

    void LockTarget(TProgress& progress, struct stat& status);
    void OpenDevice();
    void StartReplacing(const std::optional<struct stat>& existing);
    bool KeepAttributes(const struct stat& existing);
    void OpenTemporary();
    void StartInPlace();
    void TruncateInPlace();
    int RestoreInPlace() noexcept;
    [[noreturn]] void FailWrite(int errorCode);
    bool StillAsLeft() const;
    void StartWriteBack() noexcept;
    void Discard() noexcept;

    std::string fileName_;   // as the caller named it, for messages
    std::string targetPath_; // after following symbolic links
    TWay way_ = TWay::Replace;
    // The file written: the temporary one the Replace way, the target
    // itself or the device the others.
    int Fd() const { return way_ == TWay::Replace ? temporary_.Fd() : fd_.Get(); }

    TUnnamedFile temporary_;
    TFileDescriptor fd_;
    TFileDescriptor lock_; // holds the target's lock, for every way
    bool committed_ = false;
    std::size_t written_ = 0;
    std::size_t writtenBack_ = 0;

    // In place only: the target's size before, its backup once made, and
    // whether the old bytes are gone from the file yet.
    std::uint64_t oldSize_ = 0;
    std::optional<TInPlaceBackup> backup_;
    // Replace only, from the first write; stopped before fd_ closes.
    std::optional<TDirectOutput> direct_;
    bool truncated_ = false;
    struct timespec leftAt_ {}; // the file's time of change after the last write
    std::optional<std::uint64_t> expectedBytes_;
    const TSystemResources* resources_ = &SystemResources();
};

// Whether a write to `fileName` would rewrite an existing file in place, as
// far as can be told without trying: hard links, a folder the user may not
// write, another's file. (A file whose attributes cannot be given to a new
// one is found out only by trying.)
bool RewritesInPlace(const std::string& fileName);
// A write to a pipe whose reader has gone raises SIGPIPE, which ends the
// process unless ignored; ignored, the write fails with EPIPE and is reported
// as any other failure. Every program that writes files calls this first.
void IgnoreBrokenPipes();

} // namespace quorva
