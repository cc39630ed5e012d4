#include "model/files/deferred_free.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <mutex>

namespace quorva {

namespace {

// Closes every descriptor of the calling process but `keep`; only system
// calls, as a child of a threaded process may make.
void CloseAllBut(std::vector<int>& keep)
{
    std::sort(keep.begin(), keep.end());
    unsigned first = 0;
    for (int fd : keep) {
        if (unsigned(fd) > first)
            ::close_range(first, unsigned(fd) - 1, 0);
        first = unsigned(fd) + 1;
    }
    ::close_range(first, UINT_MAX, 0);
}

void WaitForChild(pid_t pid)
{
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

std::mutex& KilledMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<pid_t>& Killed()
{
    static std::vector<pid_t> killed;
    return killed;
}

} // namespace

TDeferredFree::TDeferredFree(std::vector<int> fds)
{
    int ends[2];
    int ready[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    // Made before the fork: the holder only makes system calls.
    fds.push_back(ends[0]);
    fds.push_back(ready[1]);
    const pid_t middle = ::fork();
    if (middle == 0) {
        // The middle process ends at once, so the holder belongs to the
        // system's reaper and this process never waits for it.
        if (::fork() == 0) {
            CloseAllBut(fds);
            // Until now the holder shared every descriptor, locks included.
            ::close(ready[1]);
            char byte = 0;
            while (::read(ends[0], &byte, 1) < 0 && errno == EINTR) {
            }
        }
        ::_exit(0);
    }
    ::close(ends[0]);
    ::close(ready[1]);
    if (middle < 0) {
        ::close(ends[1]);
        ::close(ready[0]);
        return;
    }
    WaitForChild(middle);
    // Returns once the holder has let go of all but `fds`, or has gone.
    char byte = 0;
    while (::read(ready[0], &byte, 1) < 0 && errno == EINTR) {
    }
    ::close(ready[0]);
    release_ = ends[1];
}

TDeferredFree::~TDeferredFree()
{
    if (release_ >= 0)
        ::close(release_);
}

void KillAndReapLater(pid_t child)
{
    ::kill(child, SIGKILL);
    if (::waitpid(child, nullptr, WNOHANG) == child)
        return;
    const std::lock_guard lock(KilledMutex());
    Killed().push_back(child);
}

void ReapKilledChildren()
{
    const std::lock_guard lock(KilledMutex());
    std::erase_if(Killed(), [](pid_t pid) {
        const pid_t ended = ::waitpid(pid, nullptr, WNOHANG);
        return ended == pid || (ended < 0 && errno == ECHILD);
    });
}

} // namespace quorva
