#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "orvane/dsp.h"

namespace {

bool aligned16(const void* p)
{
    return (reinterpret_cast<uintptr_t>(p) & 15u) == 0;
}

TEST(FastHeap, SizesCountRequestPlusSlack)
{
    const uint32_t before = fastmemGetAllocatedSize();
    void* zero = fastmemAlloc(0);
    ASSERT_NE(zero, nullptr);
    EXPECT_TRUE(aligned16(zero));
    EXPECT_EQ(fastmemGetAllocatedSize(), before + 15);
    void* hundred = fastmemAlloc(100);
    EXPECT_EQ(fastmemGetAllocatedSize(), before + 15 + 115);
    EXPECT_EQ(fastmemFree(zero), 1);
    EXPECT_EQ(fastmemFree(hundred), 1);
    EXPECT_EQ(fastmemGetAllocatedSize(), before);
}

TEST(FastHeap, FreeOnlyLiveBlocks)
{
    void* p = fastmemAlloc(32);
    EXPECT_EQ(fastmemFree(p), 1);
    EXPECT_EQ(fastmemFree(p), 0);
    EXPECT_EQ(fastmemFree(nullptr), 0);
    int local = 0;
    EXPECT_EQ(fastmemFree(&local), 0);
}

TEST(FastHeap, ReallocKeepsAlignmentAndCounts)
{
    const uint32_t before = fastmemGetAllocatedSize();
    EXPECT_EQ(fastmemRealloc(nullptr, 64), nullptr);
    EXPECT_EQ(fastmemGetAllocatedSize(), before);
    int local = 0;
    EXPECT_EQ(fastmemRealloc(&local, 64), &local);

    void* p = fastmemAlloc(16);
    void* q = fastmemRealloc(p, 100000);
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(aligned16(q));
    EXPECT_EQ(fastmemGetAllocatedSize(), before + 100015);
    static_cast<uint8_t*>(q)[99999] = 1;  // the whole new size is usable
    EXPECT_EQ(fastmemFree(q), 1);
    EXPECT_EQ(fastmemGetAllocatedSize(), before);
}

TEST(FastHeap, ManyBlocksInRandomOrder)
{
    const uint32_t before = fastmemGetAllocatedSize();
    std::mt19937 rng(7);
    std::vector<void*> blocks;
    uint64_t expected = 0;
    for (int i = 0; i < 100000; ++i) {
        const uint32_t size = rng() % 64;
        void* p = fastmemAlloc(size);
        ASSERT_TRUE(aligned16(p));
        blocks.push_back(p);
        expected += size + 15;
    }
    EXPECT_EQ(fastmemGetAllocatedSize(), before + expected);
    std::shuffle(blocks.begin(), blocks.end(), rng);
    for (void* p : blocks)
        ASSERT_EQ(fastmemFree(p), 1);
    EXPECT_EQ(fastmemGetAllocatedSize(), before);
}

}  // namespace
