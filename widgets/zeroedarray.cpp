#include "zeroedarray_p.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace zeva::zeroedmemory {

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::size_t mappedBytes(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }
}

void *allocate(std::size_t bytes)
{
    if (bytes < kHugePage) {
        void *memory = std::calloc(1, bytes ? bytes : 1);
        if (!memory)
            throw std::bad_alloc();
        return memory;
    }
    // Mapped with a huge page to spare and cut to an aligned run; fresh pages are zero.
    const std::size_t length = mappedBytes(bytes);
    void *map = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(map);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    if (aligned > start)
        munmap(map, aligned - start);
    if (const std::size_t tail = start + kHugePage - aligned)
        munmap(reinterpret_cast<void *>(aligned + length), tail);
    madvise(reinterpret_cast<void *>(aligned), length, MADV_HUGEPAGE);   // advice; small pages serve too
    return reinterpret_cast<void *>(aligned);
}

void release(void *memory, std::size_t bytes)
{
    if (!memory)
        return;
    if (bytes < kHugePage)
        std::free(memory);
    else
        munmap(memory, mappedBytes(bytes));
}

} // namespace zeva::zeroedmemory
