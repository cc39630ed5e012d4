#include "model/files/file_lock.h"

#include <cerrno>
#include <chrono>
#include <sys/file.h>
#include <thread>

namespace quorva {

void WaitForLock(int fd, TFileLock kind, TProgress& progress)
{
    constexpr auto Slice = std::chrono::milliseconds(40);
    const int operation = (kind == TFileLock::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    while (::flock(fd, operation) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return;
        ProceedOrCancel(progress, 0, 1);
        std::this_thread::sleep_for(Slice);
    }
}

} // namespace quorva
