// Large blocks: aligned to 2 MiB; freed ones are kept for the next request of their size. The
// cache is compiled out under AddressSanitizer (which must see every free), so the release run
// of the tests is the one that checks it. Nothing else in this program allocates large blocks.
#include "TestSupport.h"

#include "platform/rtl/LargeBlocks.h"

#include <cstdint>
#include <cstring>

using namespace kv;

namespace {

constexpr std::size_t MiB = std::size_t(1) << 20;

bool Aligned(const void* block) { return reinterpret_cast<std::uintptr_t>(block) % (2 * MiB) == 0; }

bool Apart(const void* a, std::size_t aSize, const void* b, std::size_t bSize)
{
    const auto* x = static_cast<const char*>(a);
    const auto* y = static_cast<const char*>(b);
    return x + aSize <= y || y + bSize <= x;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Cached = false;
#else
constexpr bool Cached = true;
#endif

} // namespace

TEST(LargeBlocks, FreedBlocksServeTheNextRequestOfTheirSizeOnly)
{
    void* first = AllocateLargeBlock(4 * MiB);
    ASSERT_TRUE(Aligned(first));
    std::memset(first, 0x5A, 4 * MiB);
    FreeLargeBlock(first);

    // The freed block comes back for the same size.
    void* again = AllocateLargeBlock(4 * MiB);
    ASSERT_TRUE(Aligned(again));
    if (Cached) {
        EXPECT_EQ(again, first) << "a freed block is kept for the next request of its size";
    }
    // A block in use is not handed out a second time, and both are whole.
    void* other = AllocateLargeBlock(4 * MiB);
    ASSERT_TRUE(Aligned(other));
    EXPECT_TRUE(Apart(again, 4 * MiB, other, 4 * MiB));
    std::memset(again, 1, 4 * MiB);
    std::memset(other, 2, 4 * MiB);
    EXPECT_EQ(static_cast<unsigned char*>(again)[4 * MiB - 1], 1);
    EXPECT_EQ(static_cast<unsigned char*>(other)[0], 2);
    FreeLargeBlock(other);

    // A kept block too small for a request is not taken; one at most twice the request is.
    void* large = AllocateLargeBlock(10 * MiB);
    ASSERT_TRUE(Aligned(large));
    EXPECT_TRUE(Apart(large, 10 * MiB, again, 4 * MiB));
    std::memset(large, 3, 10 * MiB);
    void* half = AllocateLargeBlock(2 * MiB);
    if (Cached) {
        EXPECT_EQ(half, other) << "a kept 4 MiB block serves 2 MiB";
    }
    std::memset(half, 4, 2 * MiB);
    EXPECT_EQ(static_cast<unsigned char*>(again)[0], 1) << "the blocks in use are left alone";

    // A kept block more than twice the request is not taken for it.
    FreeLargeBlock(large);
    void* small = AllocateLargeBlock(4 * MiB);
    EXPECT_NE(small, large);
    std::memset(small, 5, 4 * MiB);

    // Below 2 MiB: plain memory, freed the same way.
    void* plain = AllocateLargeBlock(1000);
    ASSERT_NE(plain, nullptr);
    std::memset(plain, 6, 1000);
    FreeLargeBlock(plain);
    FreeLargeBlock(nullptr);

    FreeLargeBlock(small);
    FreeLargeBlock(half);
    FreeLargeBlock(again);
}
