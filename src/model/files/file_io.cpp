#include "model/files/file_io.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "model/files/file_path.h"
#include "model/files/system_calls.h"

namespace quorva {
namespace {

// What a write's result says: the bytes it took, or -1 with `error` set; a
// write that takes nothing of a non-empty request counts as a full disk.
ssize_t Taken(ssize_t got, std::size_t asked, int& error)
{
    if (got < 0)
        error = errno;
    else if (got == 0 && asked > 0)
        error = ENOSPC;
    else
        return got;
    return -1;
}

std::string RandomLetters()
{
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::string letters(6, ' ');
    for (char& c : letters)
        c = Letters[random() % (sizeof Letters - 1)];
    return letters;
}

} // namespace

int WriteAll(int fd, std::string_view bytes)
{
    return WriteAllRetrying(fd, bytes, [](int) { return false; });
}

int WriteAll(int fd, std::string_view bytes, const std::function<void(int)>& whenFull)
{
    return WriteAllRetrying(fd, bytes, [&](int error) {
        if ((error != EAGAIN && error != EWOULDBLOCK) || !whenFull)
            return false;
        whenFull(fd);
        return true;
    });
}

int WriteAllRetrying(int fd, std::string_view bytes, const std::function<bool(int)>& retry)
{
    while (!bytes.empty()) {
        int error = 0;
        const ssize_t got = Taken(Sys().write(fd, bytes.data(), bytes.size()), bytes.size(), error);
        if (error == EINTR || (error != 0 && retry(error)))
            continue;
        if (error != 0)
            return error;
        bytes.remove_prefix(static_cast<std::size_t>(got));
    }
    return 0;
}

int PWriteAll(int fd, std::string_view bytes, off_t offset)
{
    while (!bytes.empty()) {
        int error = 0;
        const ssize_t got =
            Taken(Sys().pwrite(fd, bytes.data(), bytes.size(), offset), bytes.size(), error);
        if (error == EINTR)
            continue;
        if (error != 0)
            return error;
        bytes.remove_prefix(static_cast<std::size_t>(got));
        offset += got;
    }
    return 0;
}

int ReadAll(int fd, std::string& bytes)
{
    // A file's whole size at once, so that a large one is not copied as it
    // grows; what it gains meanwhile still comes, a step at a time.
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        bytes.reserve(bytes.size() + static_cast<std::size_t>(status.st_size) + 1);
    constexpr std::size_t Step = 64 << 10;
    for (;;) {
        const std::size_t had = bytes.size();
        const std::size_t room = bytes.capacity() - had;
        const std::size_t wanted = room > 0 ? std::min(room, Step) : Step;
        bytes.resize(had + wanted);
        const ssize_t got = Sys().read(fd, bytes.data() + had, wanted);
        const int error = got < 0 ? errno : 0;
        bytes.resize(had + static_cast<std::size_t>(got > 0 ? got : 0));
        if (got == 0)
            return 0;
        if (error != 0 && error != EINTR)
            return error;
    }
}

int SyncFolder(const std::string& folder)
{
    const TFileDescriptor fd(Sys().open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (!fd.Valid())
        return errno;
    return Sys().fsync(fd.Get()) == 0 ? 0 : errno;
}

int SyncFolderOf(const std::string& path)
{
    return SyncFolder(FolderOf(path));
}

int CreateUnderFreshName(const std::string& prefix, std::string& name,
                         const std::function<int(const std::string&)>& create)
{
    constexpr int Attempts = 100;
    int error = EEXIST;
    for (int attempt = 0; attempt < Attempts && error == EEXIST; ++attempt) {
        name = prefix + RandomLetters();
        error = create(name);
    }
    if (error != 0)
        name.clear();
    return error;
}

TUnnamedFile::~TUnnamedFile()
{
    Discard();
}

TUnnamedFile::TUnnamedFile(TUnnamedFile&& other) noexcept
    : fd_(std::move(other.fd_)), hiddenPrefix_(std::move(other.hiddenPrefix_)),
      hiddenName_(std::exchange(other.hiddenName_, {}))
{
}

TUnnamedFile& TUnnamedFile::operator=(TUnnamedFile&& other) noexcept
{
    if (this != &other) {
        Discard();
        fd_ = std::move(other.fd_);
        hiddenPrefix_ = std::move(other.hiddenPrefix_);
        hiddenName_ = std::exchange(other.hiddenName_, {});
    }
    return *this;
}

int TUnnamedFile::Open(const std::string& folder, mode_t mode, int access,
                       const std::string& fallbackPrefix)
{
    Discard();
    hiddenPrefix_ = folder + "/" + fallbackPrefix;
    fd_ = TFileDescriptor(Sys().open(folder.c_str(), O_TMPFILE | access | O_CLOEXEC, mode));
    if (fd_.Valid())
        return 0;
    return CreateUnderFreshName(hiddenPrefix_, hiddenName_, [&](const std::string& name) {
        fd_ =
            TFileDescriptor(Sys().open(name.c_str(), O_CREAT | O_EXCL | access | O_CLOEXEC, mode));
        return fd_.Valid() ? 0 : errno;
    });
}

int TUnnamedFile::LinkAt(const std::string& name) const
{
    if (!hiddenName_.empty())
        return Sys().link(hiddenName_.c_str(), name.c_str()) == 0 ? 0 : errno;
    // The first way needs a privilege few have; the second needs /proc.
    if (Sys().linkat(fd_.Get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
        return 0;
    const std::string descriptor = "/proc/self/fd/" + std::to_string(fd_.Get());
    return Sys().linkat(AT_FDCWD, descriptor.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) ==
                   0
               ? 0
               : errno;
}

// A rename cannot take a file without a name: an unnamed one gets a hidden
// name first.
int TUnnamedFile::RenameOver(const std::string& name)
{
    if (hiddenName_.empty()) {
        std::string hidden;
        if (const int error = CreateUnderFreshName(
                hiddenPrefix_, hidden, [this](const std::string& fresh) { return LinkAt(fresh); }))
            return error;
        hiddenName_ = std::move(hidden);
    }
    if (Sys().rename(hiddenName_.c_str(), name.c_str()) != 0)
        return errno;
    hiddenName_.clear();
    return 0;
}

TFileDescriptor TUnnamedFile::Release()
{
    if (!hiddenName_.empty())
        Sys().unlink(hiddenName_.c_str());
    hiddenName_.clear();
    return std::move(fd_);
}

void TUnnamedFile::Discard() noexcept
{
    fd_.Close();
    if (!hiddenName_.empty())
        Sys().unlink(hiddenName_.c_str());
    hiddenName_.clear();
}

} // namespace quorva
