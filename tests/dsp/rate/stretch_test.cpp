#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/rate/stretch.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

TEST(StretchChannel, LengthFollowsTheFactorAndScalesClamp)
{
    StretchChannel c;
    ASSERT_TRUE(c.init(44100, 1000, 0, 0.05f, 0.01f));
    std::vector<float> in = testsig::sine(440, 44100, 4096, 0.5), out(4 * 4096);
    EXPECT_EQ(c.processBlock(in.data(), out.data(), 4096), 2048u);
    c.init(44100, -1000, 0, 0.05f, 0.01f);
    EXPECT_EQ(c.processBlock(in.data(), out.data(), 4096), 8192u);
    c.setScale(5000);
    EXPECT_FLOAT_EQ(c.factor(), 0.125f);
    c.setScale(-3000);
    EXPECT_FLOAT_EQ(c.factor(), 4.0f);
    // The block after a change still runs at the old factor; the one after it at the new.
    EXPECT_EQ(c.processBlock(in.data(), out.data(), 4096), 8192u);
    EXPECT_EQ(c.processBlock(in.data(), out.data(), 4096), 16384u);
    // An empty block makes the change current at once.
    c.setScale(0);
    EXPECT_EQ(c.processBlock(in.data(), out.data(), 0), 0u);
    EXPECT_EQ(c.processBlock(in.data(), out.data(), 4096), 4096u);
    EXPECT_FALSE(c.setScale(NAN));
    EXPECT_FALSE(c.init(44100, 0, 0, 0.05f, 1e-7f));
}

TEST(StretchChannel, StretchedToneKeepsItsFrequency)
{
    for (float scale : {-1000.0f, 415.0f}) {
        StretchChannel c;
        c.init(44100, scale, 0, 0.05f, 0.01f);
        const std::vector<float> in = testsig::sine(440, 44100, 16384, 0.5);
        std::vector<float> out(4 * 16384);
        const uint32_t m = c.processBlock(in.data(), out.data(), 16384);
        EXPECT_EQ(m, static_cast<uint32_t>(16384 * std::pow(2.0f, -scale / 1000)));
        EXPECT_NEAR(testsig::dominantFrequency(out.data() + m / 2, 4096, 44100), 440.0, 3.0) << scale;
    }
}

TEST(Stretch, PiecesAndBypass)
{
    Stretch* s = Stretch::create(40000, 1, 44100, 1000, 0, 0.05f, 0.01f);
    ASSERT_NE(s, nullptr);
    const std::vector<float> in = testsig::sine(440, 44100, 40000, 0.5);
    std::vector<float> out(40000);
    EXPECT_EQ(s->getDstSize(40000), 20000u);
    EXPECT_EQ(s->processChannel(0, in.data(), out.data(), 40000), 16384u + 3616u);
    delete s;

    void* h = initStretch(1024, 2, 44100, 0, 0, 0.05f, 0.01f);
    const std::vector<int16_t> src = testsig::noisePcm16(2048, 9);
    std::vector<int16_t> dst(2048);
    EXPECT_EQ(doStretch(h, src.data(), dst.data(), 4096), 4096);
    for (int i = 0; i < 2048; ++i)
        ASSERT_NEAR(dst[i], src[i], 1) << i;  // the 16-bit round trip truncates

    StretchChannel c;
    c.init(44100, 0, 0, 0.05f, 0.01f);
    const std::vector<float> x = testsig::noise(3000, 5);
    std::vector<float> y(3000);
    EXPECT_EQ(c.processBlock(x.data(), y.data(), 3000), 3000u);
    EXPECT_EQ(y, x);
    termStretch(h);
}

TEST(StretchExports, RefusesOutputPastTheCapacity)
{
    EXPECT_EQ(initStretch(1024, 1, 44100, 0, 0, 0.05f, 0.0f), nullptr);
    EXPECT_EQ(initStretch(0x40000001u, 1, 44100, 0, 0, 0.05f, 0.01f), nullptr);  // 4 x frames overflows
    void* h = initStretch(4096, 1, 44100, 1000, 0, 0.05f, 0.01f);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(getStretchDstSize(h, 4096), 2048u);
    const std::vector<int16_t> src = testsig::sinePcm16(440, 44100, 4096);
    std::vector<int16_t> dst(8192 + 2, 3);
    EXPECT_EQ(setStretchScale(h, -1000), 1);
    EXPECT_EQ(getStretchDstSize(h, 4096), 8192u);
    // 4096 frames would now yield 8192, twice what the buffers were sized for.
    EXPECT_EQ(doStretch(h, src.data(), dst.data(), 8192), 0);
    EXPECT_EQ(dst[0], 3);
    // Shortened to fit, the first block still runs at the old factor, the next at the new.
    EXPECT_EQ(doStretch(h, src.data(), dst.data(), 4096), 2 * 1024);
    EXPECT_EQ(doStretch(h, src.data(), dst.data(), 4096), 2 * 4096);
    EXPECT_EQ(dst[8192], 3);
    EXPECT_EQ(setStretchOutLevel(h, INFINITY), 0);
    EXPECT_EQ(doStretch(h, src.data(), dst.data(), 8194), 0);
    EXPECT_EQ(doPitchShift(h, src.data(), dst.data(), 8), 0);  // wrong family
    EXPECT_EQ(termStretch(h), 1);
}

}  // namespace
