#pragma once

#include <chrono>
#include <functional>

namespace quorva {

// The time as the window's parts read it to measure pauses and delays (the
// typing pause of the list's search, when a progress dialog shows): a
// steady count of milliseconds. Tests pass a clock of their own.
using TWindowClock = std::function<std::chrono::milliseconds()>;

// The system's steady clock, the window's clock outside tests.
std::chrono::milliseconds SteadyMilliseconds();

} // namespace quorva
