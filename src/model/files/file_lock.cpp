#include "model/files/file_lock.h"

#include <cerrno>
#include <sys/file.h>

#include "model/base/worker_wait.h"

namespace quorva {

void WaitForLock(int fd, TFileLock kind, TProgress& progress)
{
    const int operation = (kind == TFileLock::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    // Taken, or refused for another reason than another's lock: a file
    // system without locks is used without one.
    const auto settled = [&] {
        int result = 0;
        do
            result = ::flock(fd, operation);
        while (result != 0 && errno == EINTR);
        return result == 0 || errno != EWOULDBLOCK;
    };
    PollAskingProgress(settled, [&] { ProceedOrCancel(progress, 0, 1); });
}

} // namespace quorva
