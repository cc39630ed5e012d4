#pragma once

#include <cstdint>
#include <string>

namespace quorva {

// The figures an operation checks before it commits to a large amount of
// memory or disk. Operations take them as a parameter, so that a test can
// describe a small machine without being one.
class TSystemResources {
public:
    virtual ~TSystemResources() = default;

    // Bytes of memory the system can give without swapping (MemAvailable).
    virtual std::uint64_t AvailableMemory() const = 0;
    // Bytes an unprivileged user may still write in `folder`'s file system.
    virtual std::uint64_t FreeSpace(const std::string& folder) const = 0;
    // Whether `folder`'s file system stores files at all: the kernel's own
    // (/proc, /sys) have no storage, so their "free space" says nothing.
    virtual bool StoresFiles(const std::string& /*folder*/) const { return true; }
};

// The figures of this machine. Where one cannot be read, it is reported as
// unlimited: the check then lets the operation run into the real limit, which
// fails with its own message.
const TSystemResources& SystemResources();

// A size as people read it, in decimal units with one decimal place:
// "11.3 GB", "402.8 MB", "1.6 kB", "17 bytes".
std::string FormatBytes(std::uint64_t bytes);

} // namespace quorva
