#include "model/atomic_file_writer.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/error.h"
#include "model/file_error.h"

namespace quorva {
namespace {

[[noreturn]] void ThrowCannotCreate(const std::string& fileName, int errorCode)
{
    throw Error(CannotCreateFileMessage(fileName, errorCode));
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows a chain of symbolic links to the path the data really goes to, which
// may not exist yet (a dangling link creates its target, as opening it would).
// Returns an errno value on failure, 0 on success.
int ResolveLinks(const std::string& fileName, std::string& resolved)
{
    constexpr int MaxLinks = 40;
    resolved = fileName;
    for (int hops = 0; hops <= MaxLinks; ++hops) {
        struct stat status {};
        if (::lstat(resolved.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return 0;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(resolved.c_str(), target.data(), target.size());
        if (length < 0)
            return errno;
        target.resize(static_cast<std::size_t>(length));
        resolved = target.starts_with('/') ? target : FolderOf(resolved) + "/" + target;
    }
    return ELOOP;
}

mode_t ModeForNewFile()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Temporary files stay short of the name length limit, whatever the target's.
std::string TemporaryNamePattern(const std::string& targetPath)
{
    constexpr std::size_t KeptNameLength = 64;
    return FolderOf(targetPath) + "/." + BaseNameOf(targetPath).substr(0, KeptNameLength) +
           ".XXXXXX";
}

} // namespace

TAtomicFileWriter::TAtomicFileWriter(const std::string& fileName) : fileName_(fileName)
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
        fd_ = ::open(targetPath_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0)
            ThrowCannotCreate(fileName_, errno);
        return;
    }
    if (exists) {
        // The old contents must stay when the user could not have written
        // them in place; opening without truncating asks exactly that.
        const int probe = ::open(targetPath_.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0)
            ThrowCannotCreate(fileName_, errno);
        ::close(probe);
    }

    tempPath_ = TemporaryNamePattern(targetPath_);
    fd_ = ::mkostemp(tempPath_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        tempPath_.clear();
        ThrowCannotCreate(fileName_, error);
    }
    if (exists) {
        // Ownership can only be kept by a privileged user; others own what
        // they write, as with any new file.
        [[maybe_unused]] const int ignored = ::fchown(fd_, status.st_uid, status.st_gid);
        ::fchmod(fd_, status.st_mode & 07777);
    } else {
        ::fchmod(fd_, ModeForNewFile());
    }
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    if (!committed_)
        Discard();
}

void TAtomicFileWriter::Write(std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd_, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw Error(StreamWriteErrorMessage);
        data.remove_prefix(static_cast<std::size_t>(written));
        written_ += static_cast<std::size_t>(written);
    }
    StartWriteBack();
}

void TAtomicFileWriter::StartWriteBack() noexcept
{
    // The kernel starts putting what was written so far on disk while the
    // caller produces the rest, so the final flush has little left to do.
    // Only a hint: where it is refused, Commit() flushes everything anyway.
    constexpr std::size_t WriteBackStep = 8 << 20;
    if (written_ - writtenBack_ < WriteBackStep)
        return;
    ::sync_file_range(fd_, static_cast<off_t>(writtenBack_),
                      static_cast<off_t>(written_ - writtenBack_), SYNC_FILE_RANGE_WRITE);
    writtenBack_ = written_;
}

void TAtomicFileWriter::Commit()
{
    const bool synced = tempPath_.empty() || ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed)
        throw Error(StreamWriteErrorMessage);
    if (!tempPath_.empty()) {
        if (::rename(tempPath_.c_str(), targetPath_.c_str()) != 0)
            ThrowCannotCreate(fileName_, errno);
        SyncFolder();
    }
    committed_ = true;
}

void TAtomicFileWriter::SyncFolder() const noexcept
{
    // Makes the rename itself durable; the data is safe either way.
    const int folder = ::open(FolderOf(targetPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void TAtomicFileWriter::Discard() noexcept
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!tempPath_.empty())
        ::unlink(tempPath_.c_str());
}

} // namespace quorva
