// Memory for large arrays: blocks of 2 MiB and more are aligned to 2 MiB and marked for huge
// pages where the system offers them, so that touching them the first time costs few page
// faults (binding ten million rows otherwise spends most of its time in faults); freed ones
// are kept (up to 64 MiB) for the next request of their size.
#pragma once

#include <cstddef>
#include <new>

namespace kv {

void* AllocateLargeBlock(std::size_t Bytes);
void FreeLargeBlock(void* Block) noexcept;

// A standard allocator over large blocks, for vectors that grow to millions of entries.
template <typename T>
struct TLargeBlockAllocator
{
    using value_type = T;
    TLargeBlockAllocator() = default;
    template <typename U>
    TLargeBlockAllocator(const TLargeBlockAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t Count) { return static_cast<T*>(AllocateLargeBlock(Count * sizeof(T))); }
    void deallocate(T* Block, std::size_t) noexcept { FreeLargeBlock(Block); }
    template <typename U>
    bool operator==(const TLargeBlockAllocator<U>&) const noexcept
    {
        return true;
    }
};

} // namespace kv
