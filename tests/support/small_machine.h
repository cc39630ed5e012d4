#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/base/system_resources.h"

namespace quorva::test {

// A machine with the given memory and free disk space, which remembers the
// folders it was asked about and how often its memory was.
class TSmallMachine final : public TSystemResources {
public:
    TSmallMachine(std::uint64_t memory, std::uint64_t freeSpace)
        : memory_(memory), freeSpace_(freeSpace)
    {
    }

    std::uint64_t AvailableMemory() const override
    {
        ++memoryAsks;
        return memory_;
    }
    std::uint64_t FreeSpace(const std::string& folder) const override
    {
        askedFolders.push_back(folder);
        return freeSpace_;
    }

    mutable std::vector<std::string> askedFolders;
    mutable int memoryAsks = 0;

private:
    std::uint64_t memory_;
    std::uint64_t freeSpace_;
};

} // namespace quorva::test
