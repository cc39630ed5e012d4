#include "model/huge_pages.h"

#include <cstdint>
#include <sys/mman.h>

namespace quorva {

void AdviseHugePages([[maybe_unused]] const void* data, [[maybe_unused]] std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    // Only the whole huge pages inside the buffer: the advice covers whole
    // pages, and its neighbours' memory is none of this buffer's business.
    constexpr std::uintptr_t HugePageSize = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + HugePageSize - 1) & ~(HugePageSize - 1);
    const std::uintptr_t end = (start + bytes) & ~(HugePageSize - 1);
    if (first < end)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}

} // namespace quorva
