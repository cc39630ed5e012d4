#include "ui/base/window_clock.h"

namespace quorva {

std::chrono::milliseconds SteadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

} // namespace quorva
