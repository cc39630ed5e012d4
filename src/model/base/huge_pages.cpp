#include "model/base/huge_pages.h"

#include <cstdint>
#include <sys/mman.h>

namespace quorva {
namespace {

// Calls madvise on the whole `pageSize` pages inside [data, data + bytes).
void AdviseWholePages(const void* data, std::size_t bytes, std::uintptr_t pageSize, int advice)
{
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + pageSize - 1) & ~(pageSize - 1);
    const std::uintptr_t end = (start + bytes) & ~(pageSize - 1);
    if (first < end)
        ::madvise(reinterpret_cast<void*>(first), end - first, advice);
}

} // namespace

void AdviseHugePages([[maybe_unused]] const void* data, [[maybe_unused]] std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    // Only the whole huge pages inside the buffer: the advice covers whole
    // pages, and its neighbours' memory is none of this buffer's business.
    AdviseWholePages(data, bytes, std::uintptr_t{2} << 20, MADV_HUGEPAGE);
#endif
}

void PopulatePages([[maybe_unused]] const void* data, [[maybe_unused]] std::size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    AdviseWholePages(data, bytes, 4096, MADV_POPULATE_WRITE);
#endif
}

} // namespace quorva
