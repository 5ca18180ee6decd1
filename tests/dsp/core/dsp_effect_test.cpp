#include <gtest/gtest.h>

#include <vector>

#include "dsp/core/dsp_effect.h"
#include "dsp/core/fast_heap.h"
#include "support/signal.h"

namespace {

// A gain of one half: enough of an effect to drive the base class.
class HalfGain : public DspEffect {
public:
    HalfGain() { type = EffectType::Chorus; }
    uint32_t processChannel(uint32_t, const float* in, float* out, uint32_t frames) override
    {
        for (uint32_t i = 0; i < frames; ++i)
            out[i] = in[i] * 0.5f;
        return frames;
    }
};

TEST(DspEffect, BaseBuffersFollowTheLastRequest)
{
    const uint64_t before = FastHeap::instance().totalBytes();
    auto* e = new HalfGain;
    EXPECT_EQ(e->buffersReady, 0u);
    e->allocBaseBuffers(256, 2);
    EXPECT_TRUE(e->buffersReady);
    EXPECT_EQ(FastHeap::instance().totalBytes(), before + 6 * (256 * 4 + 15));
    EXPECT_EQ(e->maxInFrames, 256u);
    EXPECT_EQ(e->inChannels, 2u);
    EXPECT_EQ(e->outChannels, 2u);
    EXPECT_EQ(e->inRate, 0u);

    e->allocBuffers(64, 1, 22050);  // smaller: buffers kept, size recorded
    EXPECT_EQ(e->maxInFrames, 64u);
    EXPECT_EQ(e->inRate, 22050u);
    EXPECT_EQ(FastHeap::instance().totalBytes(), before + 6 * (256 * 4 + 15));
    e->allocBuffers(256, 1, 22050);  // back above the last request: reallocated to the new size
    EXPECT_EQ(FastHeap::instance().totalBytes(), before + 6 * (256 * 4 + 15));
    e->allocBuffers(1000, 1, 22050);
    EXPECT_EQ(FastHeap::instance().totalBytes(), before + 6 * (1000 * 4 + 15));
    delete e;
    EXPECT_EQ(FastHeap::instance().totalBytes(), before);
}

TEST(DspEffect, SameRatePcm16RunsEachChannelAndRejectsOversizedBlocks)
{
    HalfGain e;
    e.allocBuffers(64, 2, 44100);
    std::vector<int16_t> src = {1000, -2000, 3000, -4000, 7, 8};
    std::vector<int16_t> dst(src.size() + 2, 99);
    EXPECT_TRUE(e.runSameRatePcm16(src.data(), dst.data(), 12));
    EXPECT_NEAR(dst[0], 500, 1);
    EXPECT_NEAR(dst[1], -1000, 1);
    EXPECT_NEAR(dst[3], -2000, 1);
    EXPECT_EQ(dst[6], 99);  // nothing written past the block
    EXPECT_EQ(e.processPcm16(src.data(), dst.data(), 0), 0u);
    EXPECT_TRUE(e.runSameRatePcm16(src.data(), dst.data(), 0));

    std::vector<int16_t> big(64 * 2 + 2);
    EXPECT_TRUE(e.runSameRatePcm16(big.data(), big.data(), 64 * 4));      // in place, exactly full
    EXPECT_TRUE(e.runSameRatePcm16(big.data(), big.data(), 64 * 4 + 3));  // a stray partial frame is ignored
    EXPECT_FALSE(e.runSameRatePcm16(big.data(), big.data(), 64 * 4 + 4));
}

}  // namespace
