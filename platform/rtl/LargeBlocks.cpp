#include "platform/rtl/LargeBlocks.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>
#if defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace kv {

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
// Freed large blocks kept for the next request of their size, so that a sort or a bind
// repeated on the same table reuses pages it already touched instead of faulting in fresh
// zeroed ones; no more than the C heap keeps below its own trim threshold.
class TBlockCache
{
public:
    // A kept block of at least Bytes (and not more than twice as large), else nil.
    void* Take(std::size_t Bytes)
    {
        const std::lock_guard<std::mutex> lock(FLock);
        size_t best = FBlocks.size();
        for (size_t i = 0; i < FBlocks.size(); ++i)
            if (FBlocks[i].Size >= Bytes && FBlocks[i].Size <= 2 * Bytes &&
                (best == FBlocks.size() || FBlocks[i].Size < FBlocks[best].Size))
                best = i;
        if (best == FBlocks.size())
            return nullptr;
        void* block = FBlocks[best].Block;
        FKept -= FBlocks[best].Size;
        FBlocks[best] = FBlocks.back();
        FBlocks.pop_back();
        return block;
    }
    // False when the block is not one of ours or there is no room: the caller frees it.
    bool Keep(void* Block)
    {
        if (reinterpret_cast<std::uintptr_t>(Block) % kHugePage != 0)
            return false;
        const std::size_t size = malloc_usable_size(Block) / kHugePage * kHugePage;
        const std::lock_guard<std::mutex> lock(FLock);
        if (size == 0 || FKept + size > kLimit || FBlocks.size() >= kCount)
            return false;
        FBlocks.push_back({Block, size});
        FKept += size;
        return true;
    }

private:
    static constexpr std::size_t kLimit = std::size_t(64) << 20;
    static constexpr std::size_t kCount = 16;
    struct TBlock
    {
        void* Block;
        std::size_t Size;
    };
    std::mutex FLock;
    std::vector<TBlock> FBlocks;
    std::size_t FKept = 0;
};

TBlockCache& Cache()
{
    // Never destroyed: blocks may be freed by other static objects' destructors.
    static TBlockCache* cache = new TBlockCache;
    return *cache;
}
#endif
} // namespace

void* AllocateLargeBlock(std::size_t Bytes)
{
    if (Bytes < kHugePage) {
        void* block = std::malloc(Bytes ? Bytes : 1);
        if (!block)
            throw std::bad_alloc();
        return block;
    }
    const std::size_t size = (Bytes + kHugePage - 1) / kHugePage * kHugePage;
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
    if (void* kept = Cache().Take(size))
        return kept;
#endif
    void* block = std::aligned_alloc(kHugePage, size);
    if (!block)
        throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void FreeLargeBlock(void* Block) noexcept
{
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
    if (Block && Cache().Keep(Block))
        return;
#endif
    std::free(Block);
}

} // namespace kv
