#include "platform/rtl/LargeBlocks.h"

#include <cstdlib>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kv {

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
}

void* AllocateLargeBlock(std::size_t Bytes)
{
    if (Bytes < kHugePage) {
        void* block = std::malloc(Bytes ? Bytes : 1);
        if (!block)
            throw std::bad_alloc();
        return block;
    }
    const std::size_t size = (Bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* block = std::aligned_alloc(kHugePage, size);
    if (!block)
        throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void FreeLargeBlock(void* Block) noexcept { std::free(Block); }

} // namespace kv
