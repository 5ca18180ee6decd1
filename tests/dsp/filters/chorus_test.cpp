#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/filters/chorus.h"
#include "dsp/filters/sine_table.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kRate = 44100;

std::vector<float> run(ChorusChannel& c, const std::vector<float>& in)
{
    std::vector<float> out(in.size());
    c.process(in.data(), out.data(), static_cast<uint32_t>(in.size()));
    return out;
}

std::vector<float> impulses(size_t n, size_t every)
{
    std::vector<float> x(n, 0.0f);
    for (size_t i = 0; i < n; i += every)
        x[i] = 1.0f;
    return x;
}

TEST(SineTable, HoldsOneCycleWithAGuardEntry)
{
    const SineTable& t = SineTable::instance();
    EXPECT_EQ(t[0], 0.0f);
    EXPECT_NEAR(t[256], 1.0f, 1e-7);
    EXPECT_NEAR(t[768], -1.0f, 1e-7);
    EXPECT_NEAR(t[1024], 0.0f, 1e-6);  // repeats the start for the last interpolation
    EXPECT_NEAR(t.at(100.25), std::sin(2 * M_PI * 100.25 / 1024), 1e-5);
}

TEST(Chorus, ZeroDepthIsDryPlusAllVoicesAtTheBaseDelay)
{
    ChorusChannel c;
    ASSERT_TRUE(c.setup(kRate, {3, 10.0f, 0.0f, 0.5f, 30.0f, 50.0f}));
    const std::vector<float> x = testsig::noise(3000, 7);
    const std::vector<float> y = run(c, x);
    const uint32_t delay = 441;  // 10 ms
    for (size_t i = 0; i < x.size(); ++i) {
        const float back = i >= delay ? x[i - delay] : 0.0f;  // the line starts silent
        float wet = 0.0f;
        for (int v = 0; v < 3; ++v)
            wet += back * 0.3f;
        ASSERT_NEAR(y[i], wet + x[i] * 0.5f, 1e-6) << "sample " << i;
    }
}

TEST(Chorus, StillLfoHoldsEachVoiceAtItsOwnDelay)
{
    ChorusChannel c;
    ASSERT_TRUE(c.setup(kRate, {3, 10.0f, 2.0f, 0.0f, 0.0f, 0.0f}));
    ASSERT_TRUE(c.setMix(0, 10.0f));
    ASSERT_TRUE(c.setMix(1, 20.0f));
    ASSERT_TRUE(c.setMix(2, 30.0f));
    const std::vector<float> y = run(c, impulses(8000, 1000));
    // Phases 0, 120 and 240 degrees: 441 + 88.2 * (0, 0.866, -0.866) samples, truncated.
    const size_t delays[3] = {441, 517, 364};
    const float gains[3] = {0.1f, 0.2f, 0.3f};
    for (size_t k = 0; k + 1000 <= y.size(); k += 1000) {
        for (int v = 0; v < 3; ++v)
            EXPECT_FLOAT_EQ(y[k + delays[v]], gains[v]) << "voice " << v << " at impulse " << k;
    }
    double energy = 0;
    for (float s : y)
        energy += double(s) * s;
    EXPECT_NEAR(energy, 8 * (0.01 + 0.04 + 0.09), 1e-5);  // nothing else reaches the output
}

TEST(Chorus, NoVoicesLeaveTheDrySignal)
{
    ChorusChannel c;
    ASSERT_TRUE(c.setup(kRate, {0, 10.0f, 3.0f, 0.3f, 50.0f, 80.0f}));
    const std::vector<float> x = testsig::noise(500, 3);
    const std::vector<float> y = run(c, x);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_NEAR(y[i], x[i] * 0.8f, 1e-6);
}

TEST(Chorus, HalfSecondPeriodWrapsAfterAbout22050Samples)
{
    ChorusChannel c;
    ASSERT_TRUE(c.setup(kRate, {2, 10.0f, 2.0f, 0.5f, 50.0f, 50.0f}));
    float x = 0.0f;
    uint32_t wrappedAt = 0;
    for (uint32_t i = 1; i < 30000 && wrappedAt == 0; ++i) {
        const float before = c.lfoTimeMs();
        c.process(&x, &x, 1);
        if (c.lfoTimeMs() < before)
            wrappedAt = i;
    }
    EXPECT_NEAR(wrappedAt, 22050, 5);  // the float clock drifts by a few samples
    EXPECT_LT(c.lfoTimeMs(), 0.03f);
}

TEST(Chorus, SweepingVoicesMoveInOppositeDirections)
{
    // Two voices half a cycle apart at depth 1 ms: one impulse every 2000 samples comes back
    // at 441 + s and 441 - s samples, with s following the LFO.
    ChorusChannel c;
    ASSERT_TRUE(c.setup(kRate, {2, 10.0f, 1.0f, 0.2f, 50.0f, 0.0f}));
    ASSERT_TRUE(c.setMix(1, 25.0f));
    const std::vector<float> y = run(c, impulses(20000, 2000));
    for (size_t k = 0; k + 2000 <= y.size(); k += 2000) {
        size_t early = 0, late = 0;
        for (size_t i = k + 1; i < k + 2000; ++i) {
            if (y[i] == 0.5f)
                early = i - k;
            if (y[i] == 0.25f)
                late = i - k;
        }
        ASSERT_NE(early, 0u);
        ASSERT_NE(late, 0u);
        EXPECT_NEAR(int(early) - 441, -(int(late) - 441), 3) << "impulse " << k;
        EXPECT_LE(std::abs(int(early) - 441), 45);
    }
}

TEST(Chorus, ReadDistanceStaysInsideTheLine)
{
    // Delay and depth 0 would read the sample being replaced: the nearest read is 1 back.
    ChorusChannel c;
    ASSERT_TRUE(c.setup(kRate, {1, 0.0f, 0.0f, 0.0f, 100.0f, 0.0f}));
    std::vector<float> y = run(c, impulses(8, 100));
    EXPECT_EQ(y[0], 0.0f);
    EXPECT_EQ(y[1], 1.0f);

    // Two seconds is beyond the line: the farthest read is 65535 back.
    ASSERT_TRUE(c.setup(kRate, {1, 2000.0f, 0.0f, 0.0f, 100.0f, 0.0f}));
    y = run(c, impulses(70000, 70000));
    for (size_t i = 0; i < y.size(); ++i)
        ASSERT_EQ(y[i], i == 65535 ? 1.0f : 0.0f) << i;

    // A depth beyond the delay (negative distances), huge and not-a-number parameters.
    for (float depth : {30.0f, 1e30f, -1e30f, NAN, INFINITY}) {
        ASSERT_TRUE(c.setup(kRate, {4, 5.0f, depth, 0.01f, 40.0f, 60.0f}));
        y = run(c, testsig::noise(5000, 11));
        for (float s : y)
            ASSERT_TRUE(std::isfinite(s) && std::fabs(s) <= 2.2f) << "depth " << depth;
    }
    for (float speed : {-0.3f, 1e-30f, NAN, INFINITY}) {
        ASSERT_TRUE(c.setup(kRate, {3, 5.0f, 2.0f, speed, 40.0f, 60.0f}));
        y = run(c, testsig::noise(5000, 12));
        for (float s : y)
            ASSERT_TRUE(std::isfinite(s) && std::fabs(s) <= 2.2f) << "speed " << speed;
    }
}

TEST(Chorus, MixIsPerVoiceAndSetUpRestoresTheLastOne)
{
    Chorus chorus;
    ASSERT_TRUE(chorus.setup(64, 2, kRate, {3, 10.0f, 1.0f, 0.5f, 30.0f, 70.0f}));
    EXPECT_TRUE(chorus.setMix(1, 80.0f));
    for (uint32_t ch = 0; ch < 2; ++ch) {
        EXPECT_FLOAT_EQ(chorus.channel(ch).voiceGain(0), 0.3f);
        EXPECT_FLOAT_EQ(chorus.channel(ch).voiceGain(1), 0.8f);
    }
    EXPECT_FALSE(chorus.setMix(3, 10.0f));  // past the voices: nothing changes
    EXPECT_FLOAT_EQ(chorus.channel(0).voiceGain(2), 0.3f);

    chorus.allocBuffers(128, 2, 48000);
    for (uint32_t ch = 0; ch < 2; ++ch) {
        for (uint32_t v = 0; v < 3; ++v)
            EXPECT_FLOAT_EQ(chorus.channel(ch).voiceGain(v), 0.8f);
        EXPECT_EQ(chorus.channel(ch).delay, 480);  // re-derived at the new rate
        EXPECT_EQ(chorus.channel(ch).lfoTimeMs(), 0.0f);
    }
}

TEST(ChorusExports, BlocksOfAnySplitMatchOneBlockAndBadCallsAreRefused)
{
    const uint32_t frames = 4000;
    const std::vector<int16_t> src = testsig::noisePcm16(frames * 2, 5, 12000);
    void* whole = initChorus(frames, 2, kRate, 3, 12.0f, 3.0f, 0.25f, 30.0f, 60.0f);
    void* split = initChorus(1000, 2, kRate, 3, 12.0f, 3.0f, 0.25f, 30.0f, 60.0f);
    ASSERT_NE(whole, nullptr);
    ASSERT_NE(split, nullptr);
    std::vector<int16_t> a(src.size()), b(src);
    ASSERT_EQ(doChorus(whole, src.data(), a.data(), frames * 4), 1);
    uint32_t at = 0;
    for (uint32_t len : {1u, 2u, 13u, 999u, 1000u, 985u, 1000u}) {
        ASSERT_EQ(doChorus(split, b.data() + at * 2, b.data() + at * 2, len * 4), 1);  // in place
        at += len;
    }
    ASSERT_EQ(at, frames);
    EXPECT_EQ(a, b);

    EXPECT_EQ(doChorus(split, src.data(), b.data(), 1001 * 4), 0);  // larger than sized for
    EXPECT_EQ(doChorus(split, src.data(), b.data(), 0), 1);
    EXPECT_EQ(doChorus(split, nullptr, b.data(), 4), 0);
    EXPECT_EQ(setChorusMix(split, 3, 50.0f), 0);
    EXPECT_EQ(setChorusMix(split, 2, 50.0f), 1);
    EXPECT_EQ(setChorusDelaytime(nullptr, 1.0f), 0);

    EXPECT_EQ(initChorus(64, 1, 0, 2, 10, 1, 1, 50, 50), nullptr);
    EXPECT_EQ(initChorus(64, 1, kRate, Chorus::kMaxVoices + 1, 10, 1, 1, 50, 50), nullptr);
    EXPECT_EQ(termChorus(whole), 1);
    EXPECT_EQ(termChorus(split), 1);
}

}  // namespace
