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
        for (std::vector<std::function<void()>> due; Take(due);)
            for (auto& task : due)
                task();
    }

private:
    bool Take(std::vector<std::function<void()>>& due)
    {
        const std::lock_guard lock(mutex_);
        due = std::exchange(tasks_, {});
        return !due.empty();
    }

    std::mutex mutex_;
    std::vector<std::function<void()>> tasks_;
};

} // namespace quorva::test
