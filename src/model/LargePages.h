#pragma once
#include <cstddef>
#include <cstdint>

#include <sys/mman.h>

// Maps `bytes` (a whole number of pages) from a boundary of 2 MB, the rest of the
// mapping given back at once, and asks for pages of 2 MB over the first `advised`
// bytes. Null when the system gives no memory.
inline void* MapOnLargePages(size_t bytes, size_t advised)
{
    constexpr size_t Huge = size_t(2) << 20;
    void* p = mmap(nullptr, bytes + Huge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t aligned = (start + Huge - 1) & ~(Huge - 1);
    if (aligned > start)
        munmap(p, aligned - start);
    if (const size_t tail = start + bytes + Huge - (aligned + bytes))
        munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    if (advised > 0)
        madvise(reinterpret_cast<void*>(aligned), advised, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}
