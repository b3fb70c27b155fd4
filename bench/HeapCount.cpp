// Counts the heap held through operator new, so that a benchmark can report the peak memory of
// the code it runs. Single-threaded: the converter and the benchmarks run on one thread.
#include "bench/BenchSupport.h"

#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::uint64_t live = 0;
std::uint64_t peak = 0;

void* Count(void* p)
{
    if (p) {
        live += malloc_usable_size(p);
        if (live > peak)
            peak = live;
    }
    return p;
}

void* Allocate(std::size_t size)
{
    void* p = Count(std::malloc(size ? size : 1));
    if (!p)
        throw std::bad_alloc();
    return p;
}

void* AllocateAligned(std::size_t size, std::align_val_t align)
{
    const auto a = static_cast<std::size_t>(align);
    void* p = Count(std::aligned_alloc(a, (size + a - 1) / a * a));
    if (!p)
        throw std::bad_alloc();
    return p;
}

void Release(void* p)
{
    if (p) {
        live -= malloc_usable_size(p);
        std::free(p);
    }
}

} // namespace

namespace bench {

std::uint64_t HeapLive()
{
    return live;
}

std::uint64_t HeapPeak()
{
    return peak;
}

void ResetHeapPeak()
{
    peak = live;
}

} // namespace bench

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Count(std::malloc(size ? size : 1)); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Count(std::malloc(size ? size : 1)); }
void* operator new(std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return AllocateAligned(size, align); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
