#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/base/progress.h"
#include "model/base/system_resources.h"
#include "model/files/backup_record.h"
#include "model/files/file_descriptor.h"

namespace quorva {

// A file rewritten in place holds, for a while, neither its old text nor its
// new one. Before its old bytes go they are copied to a backup, which is
// flushed to disk with its folder; it is removed only once the new text is
// on disk. Whenever the program stops, the old text is whole under the
// backup's name or the new text under the file's.
//
// The backup lies beside the file, as ".<name>.quorva-backup", where the
// folder may be written, and otherwise in the program's state folder (see
// StateFolder), in "backups". A name too long for that gets its first
// letters and a hash of the whole name instead. A backup that is already
// there is never overwritten: the next one gets a number ("-2", "-3", ...).
//
// Either way a record in the state folder names the file and its backup,
// each by name and by device and inode. The record is on disk before the
// backup has a name, so a backup never outlives its record; it is the only
// way a backup is found. A backup is offered only when its record says so,
// and the backup is still that very copy, this user's own, that no one else
// may write; the file, when it is there, must still be the one copied.

class TInPlaceBackup {
public:
    // Copies what `source` holds, from its start, to a new backup of
    // `targetPath` (absolute, links followed) and makes it durable. Raises
    // Error when no backup can be made; nothing of one is left then.
    TInPlaceBackup(const std::string& targetPath, int source);

    const std::string& Path() const { return found_.backup; }

    // Puts the backup's bytes back into `target` and flushes them. Returns
    // 0, or the errno value of what failed.
    int RestoreInto(int target) const;

    // Removes the backup and its record, once they are no longer needed.
    // (A backup that is not removed stays, on purpose.)
    void Remove() noexcept;

private:
    TFoundBackup found_;
    // The backup itself, kept open: restoring reads it even if it is moved.
    TFileDescriptor copy_;
};

// The backups left of one file, whose name may be relative, a link, or
// another hard link to it.
std::vector<TFoundBackup> FindBackups(const std::string& fileName);
// Every backup the state folder has a record of, for the start of the program.
std::vector<TFoundBackup> FindAllBackups();

// What the user is told of a backup left behind, asking whether to put it back.
std::string BackupQuestion(const TFoundBackup& found);
// What the user is told of a backup that is not offered, and why.
std::string RefusedBackupMessage(const TFoundBackup& found);

// Drops the record of a backup that is not offered, so that it is told of
// once; the file it names stays.
void ForgetBackup(const TFoundBackup& found) noexcept;

// Puts a backup left behind back in place of its file, under the file's
// exclusive lock, then removes the backup. Raises Error, or Cancelled while
// waiting for another writer.
void RestoreBackup(const TFoundBackup& found, TProgress& progress = NoProgress());

// The report when neither the new text nor the old could be written.
std::string FileAtRiskMessage(const std::string& fileName, const std::string& backup,
                              const std::string& reason);

// Raises Error, with the figures, when rewriting `targetPath` (holding
// `oldBytes`) in place with `newBytes` would not fit: the backup takes the
// old size where it goes, and the file's own room is free once it is
// truncated. `needs` begins the message ("The file needs ").
void CheckInPlaceSpace(const std::string& targetPath, std::uint64_t oldBytes,
                       std::uint64_t newBytes, const std::string& needs,
                       const TSystemResources& resources);

} // namespace quorva
