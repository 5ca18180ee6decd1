#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/rate/pitch_shift.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

std::vector<float> shifted(float cents, double freq, uint32_t n, int32_t interpolation = 0)
{
    PitchShiftChannel c;
    EXPECT_TRUE(c.init(44100, cents, 0, 0.05f, 0.01f, interpolation, false));
    const std::vector<float> in = testsig::sine(freq, 44100, n, 0.5);
    std::vector<float> out(n);
    c.process(in.data(), out.data(), n);
    return out;
}

TEST(PitchShiftChannel, GrainGeometryAndWindow)
{
    PitchShiftChannel c;
    ASSERT_TRUE(c.init(44100, 300, 0, 0.05f, 0.01f, 0, false));
    EXPECT_EQ(c.grainLen(), 3380u);
    EXPECT_EQ(c.hop(), 441u);
    EXPECT_EQ(c.grainCount(), 8u);
    EXPECT_EQ(c.ringLen(), 10143u);
    EXPECT_NEAR(c.window()[0], std::exp(-10.5625), 1e-7);
    EXPECT_FLOAT_EQ(c.window()[1690], 1.0f);
    // Seven grains run from the start, as if the stream had been playing.
    int active = 0;
    for (uint32_t k = 0; k < c.grainCount(); ++k)
        active += c.grains()[k].active ? 1 : 0;
    EXPECT_EQ(active, 7);

    EXPECT_TRUE(c.setPitch(1500));
    EXPECT_FLOAT_EQ(c.ratio(), 2.0f);
    EXPECT_EQ(c.startOffset(), -3380);
    EXPECT_TRUE(c.setPitch(-1500));
    EXPECT_FLOAT_EQ(c.ratio(), 0.5f);
    EXPECT_EQ(c.startOffset(), 0);
}

TEST(PitchShiftChannel, ShiftsToneFrequencyKeepingLength)
{
    // After the first grain length the output is a tone at the shifted frequency.
    const uint32_t n = 16384;
    for (int32_t interpolation : {0, 1}) {
        std::vector<float> up = shifted(1200, 440, n, interpolation);
        EXPECT_NEAR(testsig::dominantFrequency(up.data() + n - 4096, 4096, 44100), 880.0, 3.0);
        std::vector<float> down = shifted(-700, 440, n, interpolation);
        EXPECT_NEAR(testsig::dominantFrequency(down.data() + n - 4096, 4096, 44100), 293.66, 3.0);
    }
}

TEST(PitchShiftChannel, ZeroCentsPassesSamplesThroughWhileGrainsRun)
{
    PitchShiftChannel c;
    c.init(44100, 0, -6, 0.05f, 0.01f, 1, true);
    const std::vector<float> in = testsig::noise(5000, 4);
    std::vector<float> out(5000);
    c.process(in.data(), out.data(), 5000);
    EXPECT_EQ(out, in);
    // Grains kept being scheduled, so leaving bypass needs no restart of the overlap.
    c.setPitch(700);
    c.process(in.data(), out.data(), 5000);
    c.process(in.data(), out.data(), 5000);
    EXPECT_NE(out, in);
    EXPECT_GT(testsig::rms(out.data(), 5000), 0.1);
}

TEST(PitchShiftChannel, ChunkingDoesNotChangeTheResult)
{
    const std::vector<float> in = testsig::sine(1000, 44100, 40000, 0.5);
    PitchShiftChannel one, two;
    one.init(44100, 500, -3, 0.05f, 0.01f, 1, false);
    two.init(44100, 500, -3, 0.05f, 0.01f, 1, false);
    std::vector<float> a(40000), b(40000);
    one.process(in.data(), a.data(), 40000);  // runs as 32768 + 7232
    two.process(in.data(), b.data(), 32768);
    two.process(in.data() + 32768, b.data() + 32768, 7232);
    EXPECT_EQ(a, b);
}

TEST(PitchShiftChannel, AntiAliasFilterSitsBeforeUpShiftsAndAfterDownShifts)
{
    // 15 kHz shifted up an octave aliases to 14.1 kHz; the pre-filter at 11025 Hz removes the input.
    const std::vector<float> high = testsig::sine(15000, 44100, 16384, 0.5);
    std::vector<float> plain(16384), filtered(16384);
    PitchShiftChannel a, b;
    a.init(44100, 1200, 0, 0.05f, 0.01f, 0, false);
    b.init(44100, 1200, 0, 0.05f, 0.01f, 0, true);
    a.process(high.data(), plain.data(), 16384);
    b.process(high.data(), filtered.data(), 16384);
    EXPECT_GT(testsig::rms(plain.data() + 8192, 8192), 0.03);
    EXPECT_LT(testsig::rms(filtered.data() + 8192, 8192), 0.01);

    // Shifted down an octave, 15 kHz lands at 7.5 kHz, inside the post-filter's pass band.
    PitchShiftChannel d;
    d.init(44100, -1200, 0, 0.05f, 0.01f, 0, true);
    d.process(high.data(), filtered.data(), 16384);
    EXPECT_NEAR(testsig::dominantFrequency(filtered.data() + 8192, 2048, 44100), 7500.0, 10.0);
    EXPECT_GT(testsig::rms(filtered.data() + 8192, 8192), 0.1);
}

TEST(PitchShiftChannel, RefusesGrainsShorterThanOneSample)
{
    PitchShiftChannel c;
    EXPECT_FALSE(c.init(44100, 100, 0, 0.05f, 1e-6f, 0, false));  // hop 0
    EXPECT_FALSE(c.init(44100, 100, 0, 0.0f, 0.01f, 0, false));   // grain 0
    EXPECT_FALSE(c.init(0, 100, 0, 0.05f, 0.01f, 0, false));
    EXPECT_FALSE(c.init(44100, NAN, 0, 0.05f, 0.01f, 0, false));
    EXPECT_FALSE(c.init(44100, 100, 0, 1e9f, 0.01f, 0, false));
    ASSERT_TRUE(c.init(44100, 100, 0, 0.05f, 0.01f, 0, false));
    EXPECT_FALSE(c.setPitch(INFINITY));
    EXPECT_FLOAT_EQ(c.pitchCents(), 100.0f);
}

TEST(PitchShiftExports, BypassAtZeroAndHandleChecks)
{
    EXPECT_EQ(initPitchShift(1024, 2, 44100, 0, 0, 0.05f, 0.0f, 0, 0), nullptr);
    EXPECT_EQ(initPitchShift(0xFFFFFFFFu, 2, 44100, 0, 0, 0.05f, 0.01f, 0, 0), nullptr);  // 4 x frames overflows
    void* p = initPitchShift(1024, 2, 44100, 0, 0, 0.05f, 0.01f, 0, 0);
    ASSERT_NE(p, nullptr);
    const std::vector<int16_t> src = testsig::noisePcm16(2048, 3);
    std::vector<int16_t> dst(2050, 5);
    ASSERT_EQ(doPitchShift(p, src.data(), dst.data(), 4096), 1);
    // The 16-bit round trip truncates, so a passed-through sample may lose one step.
    for (int i = 0; i < 2048; ++i)
        ASSERT_NEAR(dst[i], src[i], 1) << i;
    EXPECT_EQ(dst[2048], 5);
    EXPECT_EQ(doPitchShift(p, src.data(), dst.data(), 4100), 0);
    EXPECT_EQ(setPitchShiftPitch(p, NAN), 0);
    EXPECT_EQ(setPitchShiftPitch(p, 700), 1);
    EXPECT_EQ(setPitchShiftOutLevel(p, -6), 1);
    EXPECT_EQ(setStretchScale(p, 100), 0);  // wrong family
    // The new pitch sounds once the grains in flight have played out: a second block is shifted.
    EXPECT_EQ(doPitchShift(p, src.data(), dst.data(), 4096), 1);
    EXPECT_EQ(doPitchShift(p, src.data(), dst.data(), 4096), 1);
    int moved = 0;
    for (int i = 0; i < 2048; ++i)
        moved += std::abs(dst[i] - src[i]) > 1;
    EXPECT_GT(moved, 1000);
    EXPECT_EQ(termPitchShift(p), 1);
}

}  // namespace
