#pragma once

#include <chrono>
#include <functional>

namespace quorva::test {

// A clock that moves on by a fixed step every time it is read, and lets the
// test act at that moment, while a long operation is still running.
struct TSteppingClock {
    std::chrono::milliseconds now{0};
    std::chrono::milliseconds step{0};
    std::function<void()> onRead;

    std::chrono::milliseconds operator()()
    {
        now += step;
        // A copy runs, so that the action may clear or replace itself.
        if (const auto act = onRead)
            act();
        return now;
    }
};

} // namespace quorva::test
