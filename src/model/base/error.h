#pragma once

#include <stdexcept>
#include <string>

namespace quorva {

// The one failure type of the tool: every operation reports what went wrong
// through the message text, which the window shows as it stands. The kinds
// below let a caller tell failures apart by their type, never by their text.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A text that is no row list (or no longer the one that was measured).
class BadFormat : public Error {
public:
    using Error::Error;
};

// What an operation would need is more memory than it may take. Allocations
// that really fail still raise std::bad_alloc; callers catch both.
class NotEnoughMemory : public Error {
public:
    using Error::Error;
};

// Writing failed with the system's error `Code()`, so that a caller can tell
// a reader that went away (EPIPE) from a disk that is full.
class WriteFailed : public Error {
public:
    WriteFailed(const std::string& message, int code) : Error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

} // namespace quorva
