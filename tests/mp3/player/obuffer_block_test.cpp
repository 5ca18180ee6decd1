#include <gtest/gtest.h>

#include <vector>

#include "mp3/player/obuffer.h"
#include "obuffer_source.h"

namespace {

// Collects every block the sink receives.
struct Captured {
    std::vector<float> samples;
    std::vector<uint32_t> blockSizes;
    static void sink(void* context, const float* s, uint32_t count, uint32_t channels)
    {
        auto* self = static_cast<Captured*>(context);
        self->samples.insert(self->samples.end(), s, s + count);
        self->blockSizes.push_back(count);
    }
};

ObufferConfig sinkConfig(Captured& c, int32_t layer, bool lsf, int32_t bufferSize)
{
    ObufferConfig cfg;
    cfg.layer = layer;
    cfg.lowSampling = lsf;
    cfg.bufferSize = bufferSize;
    cfg.sink = &Captured::sink;
    cfg.sinkContext = &c;
    return cfg;
}

using obuffer_test::writeFrame;

void expectCounting(const std::vector<float>& s)
{
    for (size_t i = 0; i < s.size(); ++i)
        ASSERT_EQ(s[i], obuffer_test::value(i)) << "at " << i;
}

TEST(ObufferBlock, SizesFollowTheSamplesPerFrame)
{
    EXPECT_EQ(Obuffer::blockBytes(2, 12, 3, false), 55296u);
    EXPECT_EQ(Obuffer::blockBytes(2, 12, 1, false), 18432u);
    EXPECT_EQ(Obuffer::blockBytes(2, 12, 2, false), 55296u);
    // MPEG-2 halves only Layer III; Layers I and II keep their full frame.
    EXPECT_EQ(Obuffer::blockBytes(2, 12, 3, true), 27648u);
    EXPECT_EQ(Obuffer::blockBytes(2, 12, 1, true), 18432u);
    EXPECT_EQ(Obuffer::blockBytes(1, 12, 2, true), 27648u);
}

TEST(ObufferBlock, UnplayableConfigurationsAreRefused)
{
    Captured c;
    for (int32_t bufferSize : {0, -1, Obuffer::kMaxBufferSize + 1}) {
        Obuffer out(2, sinkConfig(c, 3, false, bufferSize));
        EXPECT_TRUE(out.failed()) << bufferSize;
        EXPECT_EQ(out.reserve32(0), nullptr);
        out.frameDone();
        out.close();
    }
    EXPECT_TRUE(Obuffer(3, sinkConfig(c, 3, false, 12)).failed());
    EXPECT_TRUE(Obuffer(0, sinkConfig(c, 3, false, 12)).failed());
    EXPECT_TRUE(Obuffer(2, sinkConfig(c, 4, false, 12)).failed());
    ObufferConfig noRate = sinkConfig(c, 3, false, 12);
    noRate.sampleRate = 0;
    EXPECT_TRUE(Obuffer(2, noRate).failed());
    EXPECT_TRUE(c.samples.empty());
}

TEST(ObufferBlock, EverySampleArrivesInOrderIncludingTheLastPartialBlock)
{
    for (uint32_t channels : {1u, 2u}) {
        Captured c;
        {
            Obuffer out(channels, sinkConfig(c, 3, false, 4));
            ASSERT_FALSE(out.failed());
            uint64_t next = 0;
            for (int f = 0; f < 10; ++f)
                writeFrame(out, 1152, next);
            out.close();
        }
        ASSERT_EQ(c.samples.size(), 10u * 1152 * channels);
        expectCounting(c.samples);
        const uint32_t full = 4 * 1152 * channels;
        EXPECT_EQ(c.blockSizes, (std::vector<uint32_t>{full, full, 2 * 1152 * channels}));
    }
}

TEST(ObufferBlock, StopAtOnceDropsThePartialBlockAndFlushRestartsIt)
{
    Captured c;
    Obuffer out(2, sinkConfig(c, 1, false, 3));
    uint64_t next = 0;
    writeFrame(out, 384, next);
    out.flush();  // a seek: the frame written so far is discarded
    EXPECT_EQ(out.writePosition(0), 0u);
    EXPECT_EQ(out.writePosition(1), 1u);
    next = 0;
    for (int f = 0; f < 4; ++f)
        writeFrame(out, 384, next);
    out.markStopAtOnce();
    out.close();
    ASSERT_EQ(c.samples.size(), 3u * 384 * 2);
    expectCounting(c.samples);
}

TEST(ObufferBlock, ADecoderThatWritesTooMuchNeverOverrunsTheBlock)
{
    Captured c;
    Obuffer out(2, sinkConfig(c, 1, false, 1));  // room for 384 samples per channel
    float ones[32];
    std::fill(ones, ones + 32, 1.0f);
    int accepted = 0;
    for (int i = 0; i < 100; ++i)
        accepted += out.reserve32(0) != nullptr;
    EXPECT_EQ(accepted, 12);
    for (int i = 0; i < 100; ++i)
        out.put32(1, ones);
    EXPECT_EQ(out.writePosition(1), 1u + 384 * 2);
    EXPECT_EQ(out.reserve32(2), nullptr);
    out.frameDone();
    ASSERT_EQ(c.blockSizes, (std::vector<uint32_t>{768}));
}

}  // namespace
