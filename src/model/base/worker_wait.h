#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

namespace quorva {

// How a thread waits for a worker thread of the same operation while it
// stays the one that asks the progress: it never waits longer than
// ProgressInterval at a time, so that Cancel is heard while the worker
// computes, and it raises the worker's failure as its own.

// The longest a wait goes without asking the progress.
inline constexpr std::chrono::milliseconds ProgressInterval{20};

// Raises the failure the worker left, if any.
inline void RethrowWorkerFailure(const std::exception_ptr& failure)
{
    if (failure)
        std::rethrow_exception(failure);
}

// With `lock` held: waits for `changed` at most ProgressInterval, then calls
// `askProgress` with the lock released (it may raise Cancelled).
template <class Ask>
void WaitAndAskProgress(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                        Ask askProgress)
{
    changed.wait_for(lock, ProgressInterval);
    lock.unlock();
    askProgress();
    lock.lock();
}

// With `lock` held: waits until `ready()` holds, raising the worker's
// `failure` as soon as it is set.
template <class Ready, class Ask>
void AwaitWorker(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                 const std::exception_ptr& failure, Ready ready, Ask askProgress)
{
    for (;;) {
        RethrowWorkerFailure(failure);
        if (ready())
            return;
        WaitAndAskProgress(lock, changed, askProgress);
    }
}

} // namespace quorva
