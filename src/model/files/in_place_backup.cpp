#include "model/files/in_place_backup.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "model/base/error.h"
#include "model/base/shown_name.h"
#include "model/files/backup_record.h"
#include "model/files/file_copy.h"
#include "model/files/file_descriptor.h"
#include "model/files/file_error.h"
#include "model/files/file_identity.h"
#include "model/files/file_io.h"
#include "model/files/file_lock.h"
#include "model/files/file_path.h"
#include "model/files/state_folder.h"
#include "model/files/system_calls.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view BackupMark = ".quorva-backup";
// Names longer than this keep their first letters and a hash of the rest.
constexpr std::size_t KeptNameLength = 64;
constexpr int MostBackups = 100;
// Room kept in a name for a backup's number ("-100").
constexpr std::size_t NumberRoom = 4;

// The file's whole name where the backup's name has room for it; otherwise
// its first letters and a hash of all of it, so that two long names alike at
// the start still differ.
std::string KeptName(const std::string& path)
{
    const std::string name = fs::path(path).filename().string();
    const std::size_t room = NAME_MAX - NumberRoom - BackupMark.size() - 1;
    if (name.size() <= room)
        return name;
    std::string kept = name.substr(0, KeptNameLength);
    kept += '.';
    kept += PathHash(name);
    return kept;
}

std::string BesideBase(const std::string& target)
{
    std::string base = FolderOf(target);
    base += "/.";
    base += KeptName(target);
    base += BackupMark;
    return base;
}

std::string StateBase(const std::string& folder, const std::string& target)
{
    std::string base = folder + "/";
    base += fs::path(target).filename().string().substr(0, KeptNameLength);
    base += '.';
    base += PathHash(target);
    base += BackupMark;
    return base;
}

std::string Numbered(const std::string& base, int number)
{
    return number == 1 ? base : base + "-" + std::to_string(number);
}

bool WritableFolder(const std::string& folder)
{
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool SameFile(const struct stat& status, std::uint64_t device, std::uint64_t inode)
{
    return IdentityOf(status).SameFile(TFileIdentity{.device = device, .inode = inode});
}

std::uint64_t TimeOf(const struct stat& status)
{
    return static_cast<std::uint64_t>(status.st_mtim.tv_sec) * 1'000'000'000u +
           static_cast<std::uint64_t>(status.st_mtim.tv_nsec);
}

// Whether `status` is of the very copy `found` records.
bool SameCopy(const struct stat& status, const TFoundBackup& found)
{
    return SameFile(status, found.backupDevice, found.backupInode) &&
           static_cast<std::uint64_t>(status.st_size) == found.backupSize &&
           TimeOf(status) == found.backupTime;
}

int Overwrite(int target, int source)
{
    if (Sys().ftruncate(target, 0) != 0)
        return errno;
    if (const int error = CopyFromStart(source, target))
        return error;
    return Sys().fsync(target) == 0 ? 0 : errno;
}

// A file in `folder` with no name yet, holding a flushed copy of `source`.
int CopyInto(const std::string& folder, int source, TUnnamedFile& copy)
{
    if (const int error = copy.Open(folder, 0600, O_RDWR, ".quorva-backup-partial-"))
        return error;
    // Private whatever the umask: it is a copy of the user's file.
    Sys().fchmod(copy.Fd(), 0600);
    if (const int error = CopyFromStart(source, copy.Fd()))
        return error;
    return Sys().fsync(copy.Fd()) == 0 ? 0 : errno;
}

// Gives the copy the first free numbered name after `base`, its record
// written first; never replaces a backup already there.
int NameCopy(const TUnnamedFile& copy, const std::string& base, const std::string& recordFolder,
             TFoundBackup& found)
{
    for (int number = 1; number <= MostBackups; ++number) {
        found.backup = Numbered(base, number);
        struct stat taken {};
        if (::lstat(found.backup.c_str(), &taken) == 0)
            continue;
        found.record = RecordPath(recordFolder, found);
        // Without its record no backup is made: it would never be offered.
        if (const int error = WriteRecord(found))
            throw Error(CannotCreateFileMessage(found.record, error));
        const int error = copy.LinkAt(found.backup);
        if (error == 0)
            return SyncFolderOf(found.backup);
        Sys().unlink(found.record.c_str());
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

int MakeBackup(const std::string& base, int source, const std::string& recordFolder,
               TFileDescriptor& kept, TFoundBackup& found)
{
    TUnnamedFile copy;
    int error = CopyInto(FolderOf(base), source, copy);
    struct stat status {};
    if (error == 0 && ::fstat(copy.Fd(), &status) != 0)
        error = errno;
    found.backupDevice = status.st_dev;
    found.backupInode = status.st_ino;
    found.backupSize = static_cast<std::uint64_t>(status.st_size);
    found.backupTime = TimeOf(status);
    if (error == 0)
        error = NameCopy(copy, base, recordFolder, found);
    if (error == 0)
        kept = copy.Release();
    else if (!found.record.empty())
        Sys().unlink(found.record.c_str());
    return error;
}

constexpr const char* NotTheCopy = "it is not the copy the program made";
constexpr const char* NotTheCopiedFile = "the file is no longer the one that was copied";

TFoundBackup Refused(TFoundBackup found, const char* why)
{
    found.refused = why;
    return found;
}

// Whether the backup `found` names is gone, so that its record is stale.
// Otherwise sets `found.refused` to why it is not to be offered, if it is not.
bool Gone(TFoundBackup& found)
{
    struct stat status {};
    if (!found.refused.empty() && found.backup.empty())
        return false;
    if (::lstat(found.backup.c_str(), &status) != 0)
        return errno == ENOENT;
    if (!found.refused.empty())
        return false;
    struct stat target {};
    if (const char* why = WhyNotPrivate(status))
        found.refused = why;
    else if (!SameCopy(status, found))
        found.refused = NotTheCopy;
    else if (::lstat(found.target.c_str(), &target) == 0 &&
             !SameFile(target, found.targetDevice, found.targetInode))
        found.refused = NotTheCopiedFile;
    return false;
}

void RemoveBackup(const TFoundBackup& found)
{
    Sys().unlink(found.backup.c_str());
    SyncFolderOf(found.backup);
    ForgetBackup(found);
}

bool SameFileSystem(const std::string& one, const std::string& other)
{
    struct stat first {};
    struct stat second {};
    return ::stat(one.c_str(), &first) == 0 && ::stat(other.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

// Opens the file a backup goes back into: the very file that was copied, or
// a new one where it has gone; never through a link.
TFileDescriptor OpenTarget(const TFoundBackup& found)
{
    const int flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    TFileDescriptor target(Sys().open(found.target.c_str(), flags, 0));
    if (!target.Valid() && errno == ENOENT)
        return TFileDescriptor(Sys().open(found.target.c_str(), flags | O_CREAT | O_EXCL, 0666));
    struct stat status {};
    if (target.Valid() && (::fstat(target.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
                           !SameFile(status, found.targetDevice, found.targetInode)))
        throw Error(RefusedBackupMessage(Refused(found, NotTheCopiedFile)));
    return target;
}

[[noreturn]] void ThrowNoRoom(const std::string& needs, std::uint64_t bytes,
                              const std::string& folder, std::uint64_t free)
{
    throw Error(needs + FormatBytes(bytes) + ", but the folder " +
                QuotedName(AbsolutePath(folder)) + " has " + FormatBytes(free) + " free.");
}

} // namespace

TInPlaceBackup::TInPlaceBackup(const std::string& targetPath, int source)
{
    found_.target = CanonicalPath(targetPath);
    struct stat status {};
    if (::fstat(source, &status) != 0)
        throw Error(CannotOpenFileMessage(targetPath, errno));
    found_.targetDevice = status.st_dev;
    found_.targetInode = status.st_ino;
    const std::string recordFolder = StateFolder("backups");
    const std::string beside = BesideBase(found_.target);
    int error = WritableFolder(FolderOf(beside))
                    ? MakeBackup(beside, source, recordFolder, copy_, found_)
                    : EACCES;
    if (error != 0)
        error =
            MakeBackup(StateBase(recordFolder, found_.target), source, recordFolder, copy_, found_);
    if (error != 0)
        throw Error(CannotCreateFileMessage(targetPath, error));
}

int TInPlaceBackup::RestoreInto(int target) const
{
    return Overwrite(target, copy_.Get());
}

void TInPlaceBackup::Remove() noexcept
{
    RemoveBackup(found_);
}

std::vector<TFoundBackup> FindBackups(const std::string& fileName)
{
    const std::string target = CanonicalPath(fileName);
    struct stat status {};
    const bool exists = ::stat(fileName.c_str(), &status) == 0;
    std::vector<TFoundBackup> found = FindAllBackups();
    std::erase_if(found, [&](const TFoundBackup& one) {
        return one.target != target &&
               !(exists && SameFile(status, one.targetDevice, one.targetInode));
    });
    return found;
}

std::vector<TFoundBackup> FindAllBackups()
{
    std::vector<TFoundBackup> found;
    std::error_code error;
    std::string folder;
    try {
        folder = StateFolder("backups");
    } catch (const Error& failure) {
        // Not one of its records can be trusted: it is said why, once.
        TFoundBackup unsafe;
        unsafe.refused = failure.what();
        return {unsafe};
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string path = entry.path().string();
        if (!path.ends_with(RecordEnding))
            continue;
        TFoundBackup recorded = ReadRecord(path);
        if (Gone(recorded))
            ForgetBackup(
                recorded); // a save ended before its backup had a name, or the user removed it
        else
            found.push_back(std::move(recorded));
    }
    std::sort(found.begin(), found.end(),
              [](const TFoundBackup& a, const TFoundBackup& b) { return a.backup < b.backup; });
    return found;
}

std::string BackupQuestion(const TFoundBackup& found)
{
    return "This file was being saved over in place when the program stopped, so it may be cut "
           "short:" +
           NameLine(found.target) +
           "Its previous version had been copied first, and is still there:" +
           NameLine(found.backup) +
           "\nPut the previous version back in place of the file? If not, the copy stays where "
           "it is.";
}

std::string RefusedBackupMessage(const TFoundBackup& found)
{
    // A record that could not be read, or the state folder itself: the
    // reason names it.
    if (found.target.empty())
        return found.refused;
    return "A copy of an earlier version of this file is not put back:" + NameLine(found.target) +
           "The copy stays where it is:" + NameLine(found.backup) +
           "\nThe reason: " + found.refused + ".";
}

void ForgetBackup(const TFoundBackup& found) noexcept
{
    if (!found.record.empty()) {
        Sys().unlink(found.record.c_str());
        SyncFolderOf(found.record);
    }
}

void RestoreBackup(const TFoundBackup& found, TProgress& progress)
{
    const TFileDescriptor source(
        Sys().open(found.backup.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
    if (!source.Valid())
        throw Error(CannotOpenFileMessage(found.backup, errno));
    struct stat status {};
    if (::fstat(source.Get(), &status) != 0 || WhyNotPrivate(status) || !SameCopy(status, found))
        throw Error(RefusedBackupMessage(Refused(found, NotTheCopy)));
    const TFileDescriptor target = OpenTarget(found);
    if (!target.Valid())
        throw Error(CannotCreateFileMessage(found.target, errno));
    WaitForLock(target.Get(), TFileLock::Exclusive, progress);
    if (const int error = Overwrite(target.Get(), source.Get()))
        throw Error(FileAtRiskMessage(found.target, found.backup, SystemErrorText(error)));
    RemoveBackup(found);
}

std::string FileAtRiskMessage(const std::string& fileName, const std::string& backup,
                              const std::string& reason)
{
    return QuotedName(AbsolutePath(fileName)) + " could not be saved (" + reason +
           "), and its previous version could not be put back: the file is at risk. The "
           "previous version is kept in " +
           QuotedName(backup) + ".";
}

void CheckInPlaceSpace(const std::string& targetPath, std::uint64_t oldBytes,
                       std::uint64_t newBytes, const std::string& needs,
                       const TSystemResources& resources)
{
    const std::string target = CanonicalPath(targetPath);
    const std::string folder = FolderOf(target);
    // The records go there whichever folder the backup goes to.
    const std::string stateFolder = StateFolder("backups");
    const std::string backupFolder = WritableFolder(folder) ? folder : stateFolder;
    const std::uint64_t free = resources.FreeSpace(folder);
    const bool sameDisk = backupFolder == folder || SameFileSystem(folder, backupFolder);
    const std::uint64_t backupFree = sameDisk ? free : resources.FreeSpace(backupFolder);
    if (oldBytes > backupFree)
        ThrowNoRoom("The copy of the previous version needs ", oldBytes, backupFolder, backupFree);
    // Once truncated, the file's old room is free again; on the same disk
    // its backup has taken it.
    const std::uint64_t available = sameDisk ? free : free + std::min(oldBytes, ~free);
    if (newBytes > available)
        ThrowNoRoom(needs, newBytes, folder, available);
}

} // namespace quorva
