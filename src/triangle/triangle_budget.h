#pragma once

#include <cstdint>

#include "model/number_row.h"
#include "model/system_resources.h"

namespace quorva {

// Bytes the compact triangle of one column of the rows takes in memory.
std::uint64_t TriangleMemoryNeeded(const TRowTable& rows, int column);

// Raises Error, with the figures, when the triangle of one column would not
// fit in the memory the system has available. Start and the triangle view
// both ask this before they allocate anything.
void CheckTriangleFitsInMemory(const TRowTable& rows, int column,
                               const TSystemResources& system = SystemResources());

} // namespace quorva
