#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace quorva::test {

// Stands in for a window's event loop: tasks posted from any thread wait
// until the test runs them on its own, and reports are kept to be read.
class TPostedTasks {
public:
    std::function<void(std::function<void()>)> Post()
    {
        return [this](std::function<void()> task) {
            const std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        };
    }
    std::function<void(const std::string&)> Report()
    {
        return [this](const std::string& message) { reports.push_back(message); };
    }
    // Runs what was posted, and what that posts in turn.
    void Run()
    {
        for (;;) {
            std::vector<std::function<void()>> due;
            {
                const std::lock_guard lock(mutex_);
                due.swap(tasks_);
            }
            if (due.empty())
                return;
            for (auto& task : due)
                task();
        }
    }

    std::vector<std::string> reports;

private:
    std::mutex mutex_;
    std::vector<std::function<void()>> tasks_;
};

} // namespace quorva::test
