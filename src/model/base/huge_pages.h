#pragma once

#include <cstddef>

namespace quorva {

// Asks the kernel to back a large buffer with huge pages where it can, before
// the buffer is first written: tens of megabytes then cost a few dozen page
// faults instead of thousands. Only advice: where it is refused, or the buffer
// is too small to hold a whole huge page, nothing changes.
void AdviseHugePages(const void* data, std::size_t bytes);

// Has the kernel hand out the whole pages inside a buffer now, zeroed, so
// that this thread rather than the buffer's first writer pays for them: on
// some machines zeroing fresh pages costs more than the work that fills them.
// Only advice, like the above: the buffer's contents do not change.
void PopulatePages(const void* data, std::size_t bytes);

} // namespace quorva
