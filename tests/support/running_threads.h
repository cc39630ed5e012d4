#pragma once

#include <cstddef>
#include <filesystem>
#include <iterator>

namespace quorva::test {

// Threads this process has now, as the system lists them.
inline std::size_t RunningThreads()
{
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

} // namespace quorva::test
