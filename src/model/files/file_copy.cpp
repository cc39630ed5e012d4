#include "model/files/file_copy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "model/base/error.h"
#include "model/base/progress.h"
#include "model/files/file_error.h"
#include "model/files/file_io.h"
#include "model/files/system_calls.h"

namespace quorva {

namespace {

// What one step of a copy moves, between two looks at `stop`: large enough
// that the calls cost nothing beside the copying, small enough that a copy
// given up stops after well under a second on a local disk.
constexpr std::size_t StepBytes = 64 << 20;

bool Stopped(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

// Where the kernel can't copy between these two files, the bytes go
// through this process, a piece at a time.
int CopyByPieces(int from, int to, off_t in, off_t out, const std::atomic<bool>* stop)
{
    std::string piece(1 << 20, '\0');
    for (;;) {
        if (Stopped(stop))
            return ECANCELED;
        const ssize_t got = Sys().pread(from, piece.data(), piece.size(), in);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0 ? 0 : errno;
        if (const int error = PWriteAll(
                to, std::string_view(piece).substr(0, static_cast<std::size_t>(got)), out))
            return error;
        in += got;
        out += got;
    }
}

} // namespace

int CopyFromStart(int from, int to, const std::atomic<bool>* stop)
{
    // A clone shares the blocks until either file changes: instant, and no
    // room taken, on the file systems that have it.
    if (Sys().clone_file(to, from) == 0)
        return 0;
    off_t in = 0;
    off_t out = 0;
    for (;;) {
        if (Stopped(stop))
            return ECANCELED;
        const ssize_t got = Sys().copy_file_range(from, &in, to, &out, StepBytes, 0);
        if (got == 0)
            return 0;
        if (got > 0 || errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return errno;
        return CopyByPieces(from, to, in, out, stop);
    }
}

std::uint64_t ContentChecksum(int fd, const std::atomic<bool>* stop, TProgress& progress)
{
    // Eight bytes a step, so that a gigabyte is checked in well under a
    // second; any changed, added or missing byte changes the sum. Pieces are
    // filled whole, so that a short read cannot shift the words.
    std::uint64_t sum = 0x9E3779B97F4A7C15ull;
    // No larger than the file: a small file is checked often.
    struct stat status {};
    const std::size_t fileBytes =
        ::fstat(fd, &status) == 0 ? static_cast<std::size_t>(status.st_size) : 0;
    std::string piece(std::clamp<std::size_t>(fileBytes + 8, 4096, 1 << 20), '\0');
    off_t at = 0;
    for (;;) {
        if (Stopped(stop))
            throw Cancelled();
        std::size_t filled = 0;
        while (filled < piece.size()) {
            const ssize_t got = Sys().pread(fd, piece.data() + filled, piece.size() - filled,
                                            at + static_cast<off_t>(filled));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw Error(SystemErrorText(errno));
            if (got == 0)
                break;
            filled += static_cast<std::size_t>(got);
        }
        for (std::size_t i = 0; i < filled; i += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, piece.data() + i, std::min<std::size_t>(8, filled - i));
            sum = (sum ^ word) * 0x100000001B3ull;
            sum ^= sum >> 29;
        }
        at += static_cast<off_t>(filled);
        if (filled < piece.size())
            return sum ^ static_cast<std::uint64_t>(at);
        ProceedOrCancel(progress, static_cast<std::uint64_t>(at), fileBytes);
    }
}

} // namespace quorva
