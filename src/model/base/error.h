#pragma once

#include <stdexcept>
#include <string>

namespace quorva {

// The one failure type of the tool: every operation reports what went wrong
// through the message text, which the window shows as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace quorva
