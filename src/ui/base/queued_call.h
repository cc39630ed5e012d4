#pragma once

#include <functional>

class QObject;

namespace quorva {

// A way for the core to run a task on `owner`'s thread: after whatever runs
// there now, from any thread, and never once `owner` has gone.
std::function<void(std::function<void()>)> QueuedCallsTo(QObject& owner);

} // namespace quorva
