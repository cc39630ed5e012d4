#include "support/heap_bytes.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

} // namespace

namespace quorva::test {

std::size_t LiveHeapBytes()
{
    return live.load();
}

std::size_t PeakHeapBytes()
{
    return peak.load();
}

void ResetPeakHeapBytes()
{
    peak.store(live.load());
}

} // namespace quorva::test

// The library's other forms (arrays, nothrow, sized delete) come here too;
// the aligned forms keep their own allocation and are not counted.
void* operator new(std::size_t size)
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p)
        throw std::bad_alloc();
    const std::size_t now = live += ::malloc_usable_size(p);
    for (std::size_t highest = peak; now > highest && !peak.compare_exchange_weak(highest, now);) {
    }
    return p;
}

void operator delete(void* p) noexcept
{
    live -= p ? ::malloc_usable_size(p) : 0;
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}
