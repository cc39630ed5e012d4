#include "model/files/atomic_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <unistd.h>

#include "model/base/error.h"
#include "model/files/extended_attributes.h"
#include "model/files/file_error.h"
#include "model/files/file_identity.h"
#include "model/files/file_io.h"
#include "model/files/file_lock.h"
#include "model/files/file_path.h"
#include "model/files/system_calls.h"

namespace quorva {
namespace {

[[noreturn]] void ThrowCannotCreate(const std::string& fileName, int errorCode)
{
    throw Error(CannotCreateFileMessage(fileName, errorCode));
}

// What open(O_CREAT) is asked for a new file; the kernel takes away what the
// umask or the folder's default ACL says.
constexpr mode_t NewFileMode = 0666;

// Temporary files stay short of the name length limit, whatever the target's.
std::string TemporaryNamePrefix(const std::string& targetPath)
{
    constexpr std::size_t KeptNameLength = 64;
    // Appended piece by piece: GCC 12 warns falsely of overlapping copies for
    // "." + a temporary string under Debian's hardening flags.
    std::string prefix = ".";
    prefix.append(BaseNameOf(targetPath), 0, KeptNameLength);
    prefix += '.';
    return prefix;
}

// A rename gives the target's name to another file: other hard links keep the
// old text, and a folder the user may not write refuses it.
bool RenameWouldSplit(const std::string& targetPath, const struct stat& existing)
{
    return existing.st_nlink > 1 ||
           ::faccessat(AT_FDCWD, FolderOf(targetPath).c_str(), W_OK | X_OK, AT_EACCESS) != 0;
}

// A full pipe or socket: waits until it takes more or its reader goes (the
// next write then says which), in slices short enough that `whileWaiting`
// keeps a progress dialog alive and can end the wait by raising Cancelled.
void AwaitRoom(int fd, const TAtomicFileWriter::TWaitFn& whileWaiting)
{
    constexpr int SliceMilliseconds = 20;
    pollfd entry{fd, POLLOUT, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, SliceMilliseconds);
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return;
        if (whileWaiting)
            whileWaiting();
    }
}

} // namespace

void IgnoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

TAtomicFileWriter::TAtomicFileWriter(const std::string& fileName, TProgress& progress)
    : fileName_(fileName)
{
    if (const int error = ResolveLinks(fileName, targetPath_))
        ThrowCannotCreate(fileName_, error);

    struct stat status {};
    const bool exists = ::stat(targetPath_.c_str(), &status) == 0;
    if (!exists && errno != ENOENT)
        ThrowCannotCreate(fileName_, errno);
    if (exists && S_ISDIR(status.st_mode))
        ThrowCannotCreate(fileName_, EISDIR);
    if (exists && !S_ISREG(status.st_mode)) {
        OpenDevice();
        return;
    }
    if (exists) {
        LockTarget(progress, status);
        if (RenameWouldSplit(targetPath_, status)) {
            StartInPlace();
            return;
        }
    }
    StartReplacing(exists ? std::optional(status) : std::nullopt);
}

TAtomicFileWriter::TAtomicFileWriter(const TOpenDescriptor& target)
    : fileName_(target.name), way_(TWay::Device)
{
    struct stat status {};
    if (::fstat(target.fd, &status) != 0)
        throw Error(NamedFileMessage(fileName_, errno));
    if (!S_ISREG(status.st_mode)) {
        const std::string reopened = "/proc/self/fd/" + std::to_string(target.fd);
        fd_ = TFileDescriptor(Sys().open(reopened.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC, 0));
    }
    // A socket cannot be opened anew, nor a pipe nobody reads yet: the
    // descriptor itself is written, as it is.
    if (!fd_.Valid())
        fd_ = TFileDescriptor(::fcntl(target.fd, F_DUPFD_CLOEXEC, 0));
    if (!fd_.Valid())
        throw Error(NamedFileMessage(fileName_, errno));
}

// The old contents must stay when the user could not have written them in
// place; opening without truncating asks exactly that. The same descriptor
// holds the lock until the end. A writer that replaced the file while this
// one waited leaves a new file under the name: that one is locked instead,
// and `status` describes it.
void TAtomicFileWriter::LockTarget(TProgress& progress, struct stat& status)
{
    for (;;) {
        lock_ =
            TFileDescriptor(Sys().open(targetPath_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC, 0));
        if (!lock_.Valid())
            ThrowCannotCreate(fileName_, errno);
        WaitForLock(lock_.Get(), TFileLock::Exclusive, progress);
        const auto locked = IdentifyOpenFile(lock_.Get());
        if (!locked || ::stat(targetPath_.c_str(), &status) != 0 ||
            locked->SameFile(IdentityOf(status)))
            return;
    }
}

void TAtomicFileWriter::OpenDevice()
{
    way_ = TWay::Device;
    // Without O_NONBLOCK, a pipe nobody reads would hold the open forever.
    // It stays set: a reader that stops reading must not hold the writes
    // either, which wait in Write() where the caller can still cancel.
    fd_ = TFileDescriptor(
        Sys().open(targetPath_.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0));
    if (!fd_.Valid())
        ThrowCannotCreate(fileName_, errno);
}

void TAtomicFileWriter::StartReplacing(const std::optional<struct stat>& existing)
{
    OpenTemporary();
    if (existing && !KeepAttributes(*existing)) {
        Discard();
        StartInPlace();
    }
}

// Gives the temporary file what the target has besides its bytes, and takes
// away what it got from its folder that the target lacks; false when some of
// it cannot be given, as a user who does not own the file cannot give it
// another's ownership.
bool TAtomicFileWriter::KeepAttributes(const struct stat& existing)
{
    if (Sys().fchown(Fd(), existing.st_uid, existing.st_gid) != 0 ||
        !MatchExtendedAttributes(targetPath_, Fd()))
        return false;
    // Last: a change of owner clears the set-user-ID bit, and an ACL the
    // file inherited, or lost, leaves its group bits as that ACL had them.
    return Sys().fchmod(Fd(), existing.st_mode & 07777) == 0;
}

// Made as open(O_CREAT) would make the target, so that a new file gets the
// mode and ACL its folder gives any new file.
void TAtomicFileWriter::OpenTemporary()
{
    if (const int error = temporary_.Open(FolderOf(targetPath_), NewFileMode, O_WRONLY,
                                          TemporaryNamePrefix(targetPath_)))
        ThrowCannotCreate(fileName_, error);
}

// Opened for reading too: the backup is copied from this descriptor. The
// lock is already held, so the size read here is the one that gets backed up.
void TAtomicFileWriter::StartInPlace()
{
    way_ = TWay::InPlace;
    fd_ = TFileDescriptor(Sys().open(targetPath_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC, 0));
    if (!fd_.Valid())
        ThrowCannotCreate(fileName_, errno);
    struct stat status {};
    if (::fstat(fd_.Get(), &status) != 0)
        ThrowCannotCreate(fileName_, errno);
    if (!S_ISREG(status.st_mode))
        ThrowCannotCreate(fileName_, EINVAL);
    oldSize_ = static_cast<std::uint64_t>(status.st_size);
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    if (!committed_)
        Discard();
}

void TAtomicFileWriter::ExpectBytes(std::uint64_t bytes, const TSystemResources& resources)
{
    expectedBytes_ = bytes;
    resources_ = &resources;
}

void TAtomicFileWriter::Write(std::string_view data, const TWaitFn& whileWaiting)
{
    if (way_ == TWay::InPlace && !truncated_)
        TruncateInPlace();
    if (way_ == TWay::Replace) {
        if (!direct_)
            direct_.emplace(Fd());
        if (!direct_->Write(data, whileWaiting))
            FailWrite(errno);
        written_ += data.size();
    } else if (const int error =
                   WriteAll(fd_.Get(), data, [&](int fd) { AwaitRoom(fd, whileWaiting); })) {
        FailWrite(error);
    } else {
        written_ += data.size();
    }
    if (way_ == TWay::InPlace) {
        struct stat status {};
        ::fstat(fd_.Get(), &status);
        leftAt_ = status.st_mtim;
    }
    StartWriteBack();
}

// The old bytes go only once they are safe in the backup, and when the new
// ones have room for them and the backup both.
void TAtomicFileWriter::TruncateInPlace()
{
    if (expectedBytes_)
        CheckInPlaceSpace(targetPath_, oldSize_, *expectedBytes_, "The file needs ", *resources_);
    backup_.emplace(targetPath_, fd_.Get());
    truncated_ = true;
    if (Sys().ftruncate(fd_.Get(), 0) != 0)
        FailWrite(errno);
}

// Puts the old bytes back from the backup, which goes once they are on disk
// again. Returns 0 or the errno value of what failed; the backup then stays.
int TAtomicFileWriter::RestoreInPlace() noexcept
{
    if (!truncated_ || !backup_)
        return 0;
    const int error = backup_->RestoreInto(fd_.Get());
    if (error == 0)
        backup_->Remove();
    truncated_ = false;
    return error;
}

// Ends a failed write with the system's reason. In place, the old bytes go
// back first, and when they cannot, the report says where they are instead
// of the failure alone.
void TAtomicFileWriter::FailWrite(int errorCode)
{
    if (way_ != TWay::InPlace)
        ThrowStreamWriteError(errorCode);
    const std::string reason =
        errorCode != 0 ? SystemErrorText(errorCode) : std::string(StreamWriteErrorMessage);
    if (const int error = RestoreInPlace(); error != 0 && backup_)
        throw Error(FileAtRiskMessage(fileName_, backup_->Path(),
                                      reason + "; putting it back: " + SystemErrorText(error)));
    ThrowStreamWriteError(errorCode);
}

// Whether the file is still the one this writer left: the same size and the
// same time of change as after its last write. Another program that ignores
// the lock may have written it since; its text then stays.
bool TAtomicFileWriter::StillAsLeft() const
{
    struct stat status {};
    return ::fstat(fd_.Get(), &status) == 0 && status.st_size == static_cast<off_t>(written_) &&
           status.st_mtim.tv_sec == leftAt_.tv_sec && status.st_mtim.tv_nsec == leftAt_.tv_nsec;
}

void TAtomicFileWriter::StartWriteBack() noexcept
{
    // The kernel starts putting what was written so far on disk while the
    // caller produces the rest, so the final flush has little left to do.
    // Only a hint: where it is refused, Commit() flushes everything anyway.
    constexpr std::size_t WriteBackStep = 8 << 20;
    if (written_ - writtenBack_ < WriteBackStep)
        return;
    ::sync_file_range(Fd(), static_cast<off_t>(writtenBack_),
                      static_cast<off_t>(written_ - writtenBack_), SYNC_FILE_RANGE_WRITE);
    writtenBack_ = written_;
}

void TAtomicFileWriter::Commit()
{
    if (way_ == TWay::InPlace && !truncated_)
        TruncateInPlace();
    if (direct_ && !direct_->Finish())
        FailWrite(errno);
    direct_.reset();
    if (way_ != TWay::Device && Sys().fsync(Fd()) != 0)
        FailWrite(errno);
    if (way_ == TWay::Replace) {
        if (const int error = temporary_.RenameOver(targetPath_))
            ThrowCannotCreate(fileName_, error);
        temporary_.Discard();
    }
    if (backup_)
        backup_->Remove();
    truncated_ = false;
    // A device is not flushed, so closing it is where its last write fails.
    if (fd_.Close() != 0 && way_ == TWay::Device)
        ThrowStreamWriteError(errno);
    // Makes the rename itself durable; the data is safe either way.
    if (way_ == TWay::Replace)
        SyncFolderOf(targetPath_);
    lock_.Close();
    committed_ = true;
}

void TAtomicFileWriter::Discard() noexcept
{
    // The lock is still held here; a file someone changed all the same keeps
    // their text, and the backup stays for the user.
    if (way_ == TWay::InPlace && StillAsLeft())
        RestoreInPlace();
    direct_.reset();
    fd_.Close();
    temporary_.Discard();
}

bool RewritesInPlace(const std::string& fileName)
{
    std::string targetPath;
    struct stat status {};
    if (ResolveLinks(fileName, targetPath) != 0 || ::stat(targetPath.c_str(), &status) != 0 ||
        !S_ISREG(status.st_mode))
        return false;
    return RenameWouldSplit(targetPath, status) ||
           (::geteuid() != 0 && status.st_uid != ::geteuid());
}

} // namespace quorva
