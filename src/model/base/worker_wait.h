#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace quorva {

// How a thread waits for a worker thread of the same operation (or for
// anything else it cannot hurry) while it stays the one that asks the
// progress: it never goes longer than ProgressInterval without asking, so
// that Cancel is heard while the other side works, and it raises the
// worker's failure as its own. Every wait of the core on a worker is one of
// the forms below, which all run the one loop, WaitAskingProgress.

// The longest a wait goes without asking the progress.
inline constexpr std::chrono::milliseconds ProgressInterval{20};

// Raises the failure the worker left, if any.
inline void RethrowWorkerFailure(const std::exception_ptr& failure)
{
    if (failure)
        std::rethrow_exception(failure);
}

// Until `ready()` holds: `waitUntil(deadline)` waits for a change, or the
// deadline, whichever comes first; `askProgress()` is called each time a
// ProgressInterval has passed without it (it may raise Cancelled).
template <class Ready, class WaitUntil, class Ask>
void WaitAskingProgress(Ready ready, WaitUntil waitUntil, Ask askProgress)
{
    using TClock = std::chrono::steady_clock;
    auto askBy = TClock::now() + ProgressInterval;
    while (!ready()) {
        waitUntil(askBy);
        if (TClock::now() >= askBy) {
            askProgress();
            askBy = TClock::now() + ProgressInterval;
        }
    }
}

// With `lock` held on the mutex that guards what `ready()` reads and that
// the worker holds when it notifies `changed`: waits until `ready()` holds.
// `askProgress` is called with the lock released.
template <class Ready, class Ask>
void AwaitWorker(std::unique_lock<std::mutex>& lock, std::condition_variable& changed, Ready ready,
                 Ask askProgress)
{
    WaitAskingProgress(
        ready, [&](auto deadline) { changed.wait_until(lock, deadline); },
        [&] {
            lock.unlock();
            try {
                askProgress();
            } catch (...) {
                lock.lock();
                throw;
            }
            lock.lock();
        });
}

// The same, raising the worker's `failure` (guarded by the lock) as soon as
// it is set.
template <class Ready, class Ask>
void AwaitWorker(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                 const std::exception_ptr& failure, Ready ready, Ask askProgress)
{
    AwaitWorker(
        lock, changed,
        [&] {
            RethrowWorkerFailure(failure);
            return ready();
        },
        askProgress);
}

// For what tells no one when it changes (a lock another process holds):
// tries `ready()` again every ProgressInterval.
template <class Ready, class Ask> void PollAskingProgress(Ready ready, Ask askProgress)
{
    WaitAskingProgress(
        ready, [](auto deadline) { std::this_thread::sleep_until(deadline); }, askProgress);
}

} // namespace quorva
