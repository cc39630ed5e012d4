#pragma once

#include "model/base/progress.h"

namespace quorva {

// Advisory whole-file locks (flock) between the program's own readers and
// writers, in this process or another: a file is written by one writer at a
// time, and read only when no writer is at work on it. The lock belongs to
// the open file description, so it lasts until the descriptor is closed.
enum class TFileLock { Shared, Exclusive };

// Takes the lock on `fd`, waiting in short slices while another holds it.
// Between slices it asks `progress` whether to go on (reporting 0 of 1), so
// that the wait shows in the progress dialog and Cancel ends it with
// Cancelled. A file system that has no locks is used without one.
void WaitForLock(int fd, TFileLock kind, TProgress& progress);

} // namespace quorva
