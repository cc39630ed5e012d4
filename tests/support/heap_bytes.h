#pragma once

#include <cstddef>

namespace quorva::test {

// Bytes allocated with new and not yet deleted, as the allocator hands them
// out, counted by this program's own global operator new and delete: linking
// this file in replaces them for the whole test program.
std::size_t LiveHeapBytes();

// The most LiveHeapBytes() has been since the last ResetPeakHeapBytes().
std::size_t PeakHeapBytes();
void ResetPeakHeapBytes();

} // namespace quorva::test
