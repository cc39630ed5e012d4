#include "model/files/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/base/error.h"
#include "model/base/huge_pages.h"
#include "model/files/file_error.h"
#include "model/files/file_lock.h"
#include "model/files/system_calls.h"

namespace quorva {

TRegularFile::TRegularFile(const std::string& fileName, TProgress& progress,
                           TFailureText failureText)
    : fileName_(fileName), failureText_(failureText)
{
    // O_NONBLOCK: a named pipe opens at once instead of waiting for a writer,
    // and fstat then tells it apart.
    fd_ = TFileDescriptor(Sys().open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0));
    if (!fd_.Valid())
        throw Error(failureText_(fileName, errno));
    struct stat status {};
    if (::fstat(fd_.Get(), &status) != 0)
        throw Error(failureText_(fileName, errno));
    if (!S_ISREG(status.st_mode))
        throw Error(failureText_(fileName, S_ISDIR(status.st_mode) ? EISDIR : ENODEV));
    WaitForLock(fd_.Get(), TFileLock::Shared, progress);
    // The size once any writer has finished.
    if (::fstat(fd_.Get(), &status) != 0)
        throw Error(failureText_(fileName, errno));
    size_ = static_cast<std::uint64_t>(status.st_size);
}

TRegularFile::~TRegularFile() = default;

std::string TRegularFile::ReadAll(const OnReadFn& onRead)
{
    std::string text;
    ReadAll(text, onRead);
    return text;
}

void TRegularFile::ReadAll(std::string& text, const OnReadFn& onRead)
{
    // One byte more than the file holds, so that the read meeting its end
    // needs no growth.
    if (text.capacity() < size_ + 1) {
        text.reserve(size_ + 1);
        AdviseHugePages(text.data(), text.capacity());
    }
    text.resize(size_ + 1);

    // Pieces small enough that progress moves, large enough to cost nothing.
    constexpr std::size_t PieceSize = 1 << 20;
    std::size_t used = 0;
    for (;;) {
        if (used == text.size())
            text.resize(used + PieceSize);
        const std::size_t wanted = std::min(text.size() - used, PieceSize);
        const ssize_t got =
            Sys().pread(fd_.Get(), text.data() + used, wanted, static_cast<off_t>(used));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw Error(failureText_(fileName_, errno));
        if (got == 0) {
            text.resize(used);
            return;
        }
        used += static_cast<std::size_t>(got);
        if (onRead)
            onRead(used);
    }
}

std::size_t TRegularFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t bytes) const
{
    std::size_t got = 0;
    while (got < bytes) {
        const ssize_t read =
            Sys().pread(fd_.Get(), buffer + got, bytes - got, static_cast<off_t>(offset + got));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            throw Error(failureText_(fileName_, errno));
        if (read == 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    return got;
}

} // namespace quorva
