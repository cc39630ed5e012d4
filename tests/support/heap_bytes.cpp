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

// Every form, so that none goes to another library's own (a sanitizer's);
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

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept
{
    return operator new(size, nothrow);
}

void operator delete(void* p) noexcept
{
    live -= p ? ::malloc_usable_size(p) : 0;
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    operator delete(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    operator delete(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    operator delete(p);
}
