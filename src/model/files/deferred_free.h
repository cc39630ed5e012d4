#pragma once

#include <sys/types.h>

#include <vector>

namespace quorva {

// Frees the blocks of large unlinked files without making this process wait.
// The last close of an unlinked file of gigabytes frees its pages and blocks
// in the closing call, most of a second, which Cancel must not wait for.
//
// Construction starts a process of its own (not this one's child, so that no
// one waits for it) that holds a reference to each of `fds` and to nothing
// else this process has open; construction returns once it has let go of
// the rest, so no lock of this process's outlives its close. This process
// then closes its own descriptors at once, and the destructor lets the
// holder go: it ends, and the system frees the files in it. Where no process can be started, nothing is held
// and the closes free the files here, as they would have.
class TDeferredFree {
public:
    explicit TDeferredFree(std::vector<int> fds);
    ~TDeferredFree();
    TDeferredFree(const TDeferredFree&) = delete;
    TDeferredFree& operator=(const TDeferredFree&) = delete;

private:
    int release_ = -1;
};

// Child processes killed and not yet waited for: each is waited for here if
// it has ended, so that none stays a zombie for long. KillAndReapLater
// sends SIGKILL and, unless the child has already gone, leaves it to this.
void KillAndReapLater(pid_t child);
void ReapKilledChildren();

} // namespace quorva
