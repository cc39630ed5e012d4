#include "support/heap_bytes.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace quorva::test {
namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

void* Counted(void* p)
{
    if (!p)
        throw std::bad_alloc();
    const std::size_t now = live.fetch_add(::malloc_usable_size(p)) + ::malloc_usable_size(p);
    std::size_t highest = peak.load();
    while (now > highest && !peak.compare_exchange_weak(highest, now)) {
    }
    return p;
}

} // namespace

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
    return quorva::test::Counted(std::malloc(size == 0 ? 1 : size));
}

void operator delete(void* p) noexcept
{
    if (!p)
        return;
    quorva::test::live.fetch_sub(::malloc_usable_size(p));
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}
