#pragma once

#include <utility>

namespace quorva {

// Owns one open file descriptor from the moment it is opened: whatever
// throws afterwards, it is closed exactly once.
class TFileDescriptor {
public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    ~TFileDescriptor();
    TFileDescriptor(TFileDescriptor&& other) noexcept : fd_(other.Release()) {}
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept;
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Hands the descriptor over to the caller, who closes it.
    int Release() { return std::exchange(fd_, -1); }
    // Closes now; returns 0, or the errno value of a failed close (where a
    // device reports its last write).
    int Close();

private:
    int fd_ = -1;
};

} // namespace quorva
