#pragma once

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace quorva::test {

// Stands in for a window's event loop: tasks posted from any thread wait
// until Run runs them, and what they post in turn, on the test's thread.
class TPostedTasks {
public:
    std::function<void(std::function<void()>)> Post()
    {
        return [this](std::function<void()> task) {
            const std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        };
    }
    void Run()
    {
        std::unique_lock lock(mutex_);
        while (!tasks_.empty()) {
            auto task = std::move(tasks_.front());
            tasks_.erase(tasks_.begin());
            lock.unlock();
            task();
            lock.lock();
        }
    }

private:
    std::mutex mutex_;
    std::vector<std::function<void()>> tasks_;
};

} // namespace quorva::test
