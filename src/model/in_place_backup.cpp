#include "model/in_place_backup.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "model/error.h"
#include "model/file_descriptor.h"
#include "model/file_error.h"
#include "model/file_lock.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view BackupMark = ".quorva-backup";
constexpr std::string_view RecordEnding = ".record";
// Backup names stay short of the name length limit, whatever the file's.
constexpr std::size_t KeptNameLength = 64;
constexpr int MostBackups = 100;

// Fully resolved, so that the writer and a later search agree on the name
// however the file was reached.
std::string CanonicalName(const std::string& fileName)
{
    std::error_code error;
    const fs::path path = fs::weakly_canonical(fs::absolute(fileName, error), error);
    return error ? AbsoluteFileName(fileName) : path.string();
}

std::string FolderOf(const std::string& path)
{
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "/" : folder;
}

std::string KeptName(const std::string& path)
{
    return fs::path(path).filename().string().substr(0, KeptNameLength);
}

std::string PathHash(const std::string& path)
{
    std::uint64_t hash = 14695981039346656037u; // FNV-1a
    for (const char c : path)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (std::size_t i = 16; i-- > 0; hash >>= 4)
        text[i] = Digits[hash & 15];
    return text;
}

std::string BesideBase(const std::string& target)
{
    return FolderOf(target) + "/." + KeptName(target) + std::string(BackupMark);
}

std::string StateBase(const std::string& target)
{
    return BackupStateFolder() + "/" + KeptName(target) + "." + PathHash(target) +
           std::string(BackupMark);
}

std::string Numbered(const std::string& base, int number)
{
    return number == 1 ? base : base + "-" + std::to_string(number);
}

// Whether `name` is `base` or a numbered backup after it.
bool IsNumbered(const std::string& name, const std::string& base)
{
    if (!name.starts_with(base))
        return false;
    const std::string rest = name.substr(base.size());
    return rest.empty() || (rest.size() > 1 && rest[0] == '-' &&
                            std::all_of(rest.begin() + 1, rest.end(), ::isdigit));
}

std::string RecordPath(const TFoundBackup& found)
{
    return BackupStateFolder() + "/" + PathHash(found.target) + "-" + PathHash(found.backup) +
           std::string(RecordEnding);
}

bool WritableFolder(const std::string& folder)
{
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

int SyncFolder(const std::string& folder)
{
    const TFileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.Valid() && ::fsync(fd.Get()) == 0 ? 0 : errno;
}

// Copies all of `from` onto `to`, both from their start, without taking the
// bytes into this process where the kernel can copy them itself. Returns 0
// or the errno value of what failed.
int CopyFromStart(int from, int to)
{
    off_t in = 0;
    off_t out = 0;
    for (;;) {
        const ssize_t got = ::copy_file_range(from, &in, to, &out, 1 << 30, 0);
        if (got == 0)
            return 0;
        if (got > 0 || errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return errno;
        break;
    }
    std::string piece(1 << 20, '\0');
    for (;;) {
        const ssize_t got = ::pread(from, piece.data(), piece.size(), in);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0 ? 0 : errno;
        for (ssize_t put = 0; put < got;) {
            const ssize_t wrote =
                ::pwrite(to, piece.data() + put, static_cast<std::size_t>(got - put), out);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                return wrote == 0 ? ENOSPC : errno;
            put += wrote;
            out += wrote;
        }
        in += got;
    }
}

int Overwrite(int target, int source)
{
    if (::ftruncate(target, 0) != 0)
        return errno;
    if (const int error = CopyFromStart(source, target))
        return error;
    return ::fsync(target) == 0 ? 0 : errno;
}

// A file in `folder` with no name yet (or a hidden one where the file system
// has no unnamed files), holding a flushed copy of `source`.
struct TCopy {
    TFileDescriptor fd;
    std::string partialName;
    ~TCopy()
    {
        if (!partialName.empty())
            ::unlink(partialName.c_str());
    }
};

int CopyInto(const std::string& folder, int source, TCopy& copy)
{
    copy.fd = TFileDescriptor(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!copy.fd.Valid()) {
        std::string name = folder + "/.quorva-backup-partial-XXXXXX";
        copy.fd = TFileDescriptor(::mkostemp(name.data(), O_CLOEXEC));
        if (!copy.fd.Valid())
            return errno;
        copy.partialName = std::move(name);
    }
    if (const int error = CopyFromStart(source, copy.fd.Get()))
        return error;
    return ::fsync(copy.fd.Get()) == 0 ? 0 : errno;
}

// Gives the copy the first free numbered name after `base`; never replaces
// a backup already there.
int NameCopy(const TCopy& copy, const std::string& base, std::string& named)
{
    const std::string descriptor = "/proc/self/fd/" + std::to_string(copy.fd.Get());
    for (int number = 1; number <= MostBackups; ++number) {
        const std::string name = Numbered(base, number);
        const int result =
            copy.partialName.empty()
                ? ::linkat(AT_FDCWD, descriptor.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW)
                : ::link(copy.partialName.c_str(), name.c_str());
        if (result == 0) {
            named = name;
            return SyncFolder(FolderOf(name));
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int MakeBackup(const std::string& base, int source, TFileDescriptor& kept, std::string& named)
{
    TCopy copy;
    int error = CopyInto(FolderOf(base), source, copy);
    if (error == 0)
        error = NameCopy(copy, base, named);
    if (error == 0)
        kept = std::move(copy.fd);
    else if (!named.empty())
        ::unlink(named.c_str());
    return error;
}

bool MakeStateFolder()
{
    std::error_code error;
    // Private: it holds copies of the user's files.
    if (fs::create_directories(BackupStateFolder(), error))
        ::chmod(BackupStateFolder().c_str(), 0700);
    return fs::is_directory(BackupStateFolder(), error);
}

void WriteRecord(const TFoundBackup& found)
{
    if (!MakeStateFolder())
        return;
    const std::string name = RecordPath(found);
    const TFileDescriptor fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    std::string text = found.target;
    text += '\0';
    text += found.backup;
    text += '\0';
    // Without its record a backup is still found from its file's name.
    if (fd.Valid() &&
        ::write(fd.Get(), text.data(), text.size()) == static_cast<ssize_t>(text.size()))
        ::fsync(fd.Get());
    SyncFolder(BackupStateFolder());
}

bool ReadRecord(const std::string& recordPath, TFoundBackup& found)
{
    const TFileDescriptor fd(::open(recordPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    std::string text(2 * 4096 + 2, '\0');
    const ssize_t got = fd.Valid() ? ::read(fd.Get(), text.data(), text.size()) : -1;
    if (got <= 0)
        return false;
    text.resize(static_cast<std::size_t>(got));
    const std::size_t end = text.find('\0');
    if (end == std::string::npos || text.back() != '\0')
        return false;
    found.target = text.substr(0, end);
    found.backup = text.substr(end + 1, text.size() - end - 2);
    return true;
}

bool IsRegularFile(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

void RemoveBackup(const TFoundBackup& found)
{
    ::unlink(found.backup.c_str());
    SyncFolder(FolderOf(found.backup));
    ::unlink(RecordPath(found).c_str());
}

void AddNumbered(const std::string& base, const std::string& target,
                 std::vector<TFoundBackup>& found)
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(FolderOf(base), error)) {
        const std::string path = entry.path().string();
        if (IsNumbered(path, base) && IsRegularFile(path) &&
            std::none_of(found.begin(), found.end(),
                         [&](const TFoundBackup& known) { return known.backup == path; }))
            found.push_back({target, path});
    }
}

bool SameFileSystem(const std::string& one, const std::string& other)
{
    struct stat first {};
    struct stat second {};
    return ::stat(one.c_str(), &first) == 0 && ::stat(other.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

[[noreturn]] void ThrowNoRoom(const std::string& needs, std::uint64_t bytes,
                              const std::string& folder, std::uint64_t free)
{
    throw Error(needs + FormatBytes(bytes) + ", but the folder " + AbsoluteFileName(folder) +
                " has " + FormatBytes(free) + " free.");
}

} // namespace

std::string BackupStateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    std::string folder = state && *state == '/' ? state
                         : home && *home        ? std::string(home) + "/.local/state"
                                                : "/tmp";
    return folder + "/quorva/backups";
}

TInPlaceBackup::TInPlaceBackup(const std::string& targetPath, int source)
{
    found_.target = CanonicalName(targetPath);
    const std::string beside = BesideBase(found_.target);
    int error = WritableFolder(FolderOf(beside)) ? MakeBackup(beside, source, copy_, found_.backup)
                                                 : EACCES;
    if (error != 0 && MakeStateFolder())
        error = MakeBackup(StateBase(found_.target), source, copy_, found_.backup);
    if (error != 0)
        throw Error(CannotCreateFileMessage(targetPath, error));
    WriteRecord(found_);
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
    const std::string target = CanonicalName(fileName);
    std::vector<TFoundBackup> found;
    for (const TFoundBackup& recorded : FindAllBackups())
        if (recorded.target == target)
            found.push_back(recorded);
    AddNumbered(BesideBase(target), target, found);
    AddNumbered(StateBase(target), target, found);
    // A record of another file with the same first letters marks its backup.
    std::erase_if(found, [](const TFoundBackup& one) {
        TFoundBackup recorded;
        return ReadRecord(RecordPath(one), recorded) && recorded.target != one.target;
    });
    return found;
}

std::vector<TFoundBackup> FindAllBackups()
{
    std::vector<TFoundBackup> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(BackupStateFolder(), error)) {
        TFoundBackup recorded;
        const std::string path = entry.path().string();
        if (!path.ends_with(RecordEnding) || !ReadRecord(path, recorded))
            continue;
        if (IsRegularFile(recorded.backup))
            found.push_back(recorded);
        else
            ::unlink(path.c_str()); // its backup is gone: the user removed it
    }
    std::sort(found.begin(), found.end(),
              [](const TFoundBackup& a, const TFoundBackup& b) { return a.backup < b.backup; });
    return found;
}

std::string BackupQuestion(const TFoundBackup& found)
{
    return "\"" + found.target +
           "\" was being saved over in place when the program stopped. Its previous version "
           "had been copied to \"" +
           found.backup +
           "\" first, and is still there.\n\nPut the previous version back in place of the "
           "file? If not, the copy stays where it is.";
}

void RestoreBackup(const TFoundBackup& found, TProgress& progress)
{
    const TFileDescriptor source(::open(found.backup.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source.Valid())
        throw Error(CannotOpenFileMessage(found.backup, errno));
    const TFileDescriptor target(
        ::open(found.target.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
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
    return "\"" + AbsoluteFileName(fileName) + "\" could not be saved (" + reason +
           "), and its previous version could not be put back: the file is at risk. The "
           "previous version is kept in \"" +
           backup + "\".";
}

void CheckInPlaceSpace(const std::string& targetPath, std::uint64_t oldBytes,
                       std::uint64_t newBytes, const std::string& needs,
                       const TSystemResources& resources)
{
    const std::string target = CanonicalName(targetPath);
    const std::string folder = FolderOf(target);
    const std::string backupFolder = WritableFolder(folder) ? folder : BackupStateFolder();
    MakeStateFolder();
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
