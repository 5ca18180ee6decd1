#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "mp3/player/block_fifo.h"

namespace {

TEST(ObufferFifo, TakeSpansNodesAndSignalsEachSide)
{
    BlockFifo fifo;
    const float a[3] = {1, 2, 3};
    const float b[2] = {4, 5};
    ASSERT_TRUE(fifo.append(a, 3));
    ASSERT_TRUE(fifo.append(b, 2));
    EXPECT_FALSE(fifo.dataEvent().isSet());  // raised only from the third block on
    ASSERT_TRUE(fifo.append(a, 3));
    EXPECT_TRUE(fifo.dataEvent().isSet());
    EXPECT_EQ(fifo.queued(), 3);

    float out[16] = {};
    EXPECT_EQ(fifo.take(out, 4), 4u);
    EXPECT_EQ(fifo.queued(), 2);
    EXPECT_TRUE(fifo.spaceEvent().isSet());
    EXPECT_EQ(fifo.take(out + 4, 16), 4u);
    EXPECT_EQ(std::vector<float>(out, out + 8), (std::vector<float>{1, 2, 3, 4, 5, 1, 2, 3}));
    EXPECT_TRUE(fifo.empty());
    EXPECT_EQ(fifo.queued(), 0);
    EXPECT_FALSE(fifo.dataEvent().isSet());
}

TEST(ObufferFifo, ClosingKeepsTheReaderAwakeAndClearEmpties)
{
    BlockFifo fifo;
    const float a[4] = {1, 2, 3, 4};
    fifo.append(a, 4);
    fifo.setClosing(true);
    EXPECT_TRUE(fifo.dataEvent().isSet());  // fewer than three blocks, yet the reader is woken
    float out[4];
    EXPECT_EQ(fifo.take(out, 4), 4u);
    EXPECT_TRUE(fifo.dataEvent().isSet());
    fifo.append(a, 4);
    fifo.append(a, 4);
    fifo.clear();
    EXPECT_EQ(fifo.queued(), 0);
    EXPECT_EQ(fifo.take(out, 4), 0u);
}

// A writer and a reader racing on a short queue: every value arrives once and in order.
TEST(ObufferFifo, ConcurrentAppendAndTakeLoseNothing)
{
    BlockFifo fifo;
    constexpr uint32_t kBlocks = 2000;
    constexpr uint32_t kBlock = 7;
    std::thread writer([&] {
        float block[kBlock];
        for (uint32_t b = 0; b < kBlocks; ++b) {
            for (uint32_t i = 0; i < kBlock; ++i)
                block[i] = static_cast<float>(b * kBlock + i);
            ASSERT_TRUE(fifo.append(block, kBlock));
            while (fifo.queued() > 3) {
                fifo.spaceEvent().wait(1);
                fifo.spaceEvent().reset();
            }
        }
    });
    std::vector<float> got;
    float chunk[5];
    while (got.size() < kBlocks * kBlock) {
        const uint32_t n = fifo.take(chunk, 5);
        got.insert(got.end(), chunk, chunk + n);
        if (n == 0)
            std::this_thread::yield();
    }
    writer.join();
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], static_cast<float>(i));
    EXPECT_TRUE(fifo.empty());
}

}  // namespace
