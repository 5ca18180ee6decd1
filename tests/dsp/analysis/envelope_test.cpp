#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "dsp/core/envelope_follower.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

// Runs a mono envelope analyser over pcm in blocks of the given sizes (cycled).
std::vector<float> envelopeOf(const std::vector<int16_t>& pcm, uint32_t rate, std::vector<uint32_t> blocks)
{
    void* h = initEnvAnalyze(4096, 1, rate);
    std::vector<float> out(pcm.size());
    size_t at = 0;
    for (size_t b = 0; at < pcm.size(); ++b) {
        const uint32_t n = std::min<uint32_t>(blocks[b % blocks.size()], uint32_t(pcm.size() - at));
        EXPECT_EQ(doEnvAnalyze(h, pcm.data() + at, out.data() + at, n * 2), 1);
        at += n;
    }
    termEnvAnalyze(h);
    return out;
}

TEST(Envelope, SilenceGivesZero)
{
    const std::vector<float> env = envelopeOf(std::vector<int16_t>(3000, 0), 44100, {1024});
    for (float v : env)
        ASSERT_EQ(v, 0.0f);
}

TEST(Envelope, FullScaleStepFollowsA33HzButterworth)
{
    const uint32_t rate = 44100;
    const std::vector<float> env = envelopeOf(std::vector<int16_t>(rate / 5, 32767), rate, {1024});
    // Step response of the analogue 2nd-order Butterworth at 33 Hz; the bilinear design barely
    // warps so low a cutoff, so half a percent of full scale covers the difference.
    const double wn = 2.0 * M_PI * 33.0;
    const double zeta = std::sqrt(0.5);
    const double wd = wn * std::sqrt(1.0 - zeta * zeta);
    float peak = 0.0f;
    for (size_t i = 0; i < env.size(); ++i) {
        const double t = double(i) / rate;
        const double step = 1.0
            - std::exp(-zeta * wn * t) * (std::cos(wd * t) + zeta / std::sqrt(1.0 - zeta * zeta) * std::sin(wd * t));
        ASSERT_NEAR(env[i], 32767.0 * step, 0.005 * 32767) << "sample " << i;
        ASSERT_EQ(env[i], std::trunc(env[i]));  // whole numbers on the 16-bit scale
        peak = std::max(peak, env[i]);
    }
    EXPECT_NEAR(peak / 32767.0, 1.0432, 0.003);  // about 4 % overshoot, not clamped
}

TEST(Envelope, PeakHoldSpansOneMillisecond)
{
    // Order 0 leaves the smoother out, exposing the held peak: one impulse lasts 1 ms, truncated.
    for (auto [rate, hold] : {std::pair<float, uint32_t>{44100.0f, 44}, {48000.0f, 48}, {22050.0f, 22}}) {
        EnvelopeFollower f;
        f.setup(256, rate, 0, 33.0f, 2.0f, true, 0.5f);
        EXPECT_EQ(f.windowLen, hold);
        std::vector<float> in(256, 0.0f);
        in[10] = -0.25f;
        in[11] = 0.125f;
        std::vector<float> out(256);
        ASSERT_EQ(f.process(in.data(), out.data(), 256), 1u);
        for (uint32_t i = 0; i < 256; ++i) {
            const float expected = i < 10 ? 0.0f : i < 10 + hold ? 0.25f : i < 11 + hold ? 0.125f : 0.0f;
            ASSERT_EQ(out[i], expected) << "rate " << rate << " sample " << i;  // gains 2 and 0.5 cancel
        }
    }
    // The full analyser smooths that 44-sample pulse: it peaks well below the impulse's height.
    std::vector<int16_t> impulse(2000, 0);
    impulse[100] = 30000;
    const std::vector<float> env = envelopeOf(impulse, 44100, {2000});
    const float peak = *std::max_element(env.begin(), env.end());
    EXPECT_GT(peak, 30000 * 0.02);
    EXPECT_LT(peak, 30000 * 0.2);
}

TEST(Envelope, BlockSplitsDoNotChangeTheResult)
{
    const std::vector<int16_t> noise = testsig::noisePcm16(5000, 9);
    const std::vector<float> whole = envelopeOf(noise, 48000, {4096});
    EXPECT_EQ(envelopeOf(noise, 48000, {1}), whole);
    EXPECT_EQ(envelopeOf(noise, 48000, {7, 13, 1000, 3}), whole);  // splits shorter than the window too
}

TEST(Envelope, StereoWritesBothChannelsAndNullDestinationStillAdvances)
{
    const uint32_t frames = 500;
    std::vector<int16_t> pcm(frames * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        pcm[2 * i] = 20000;
        pcm[2 * i + 1] = 0;
    }
    void* a = initEnvAnalyze(frames, 2, 44100);
    void* b = initEnvAnalyze(frames, 2, 44100);
    std::vector<float> outA(frames * 2 + 1, -1.0f);
    std::vector<float> outB(frames * 2 + 1, -1.0f);
    EXPECT_EQ(doEnvAnalyze(a, pcm.data(), outA.data(), frames * 4), 1);
    EXPECT_EQ(doEnvAnalyze(b, pcm.data(), nullptr, frames * 4), 1);
    EXPECT_GT(outA[frames - 1], 0.0f);
    EXPECT_EQ(outA[2 * frames - 1], 0.0f);  // right channel silent
    EXPECT_EQ(outA[2 * frames], -1.0f);     // nothing beyond 2F values
    doEnvAnalyze(a, pcm.data(), outA.data(), frames * 4);
    doEnvAnalyze(b, pcm.data(), outB.data(), frames * 4);
    EXPECT_EQ(outA, outB);
    termEnvAnalyze(a);
    termEnvAnalyze(b);
}

TEST(Envelope, RefusesBadArguments)
{
    EXPECT_EQ(initEnvAnalyze(0, 1, 44100), nullptr);
    EXPECT_EQ(initEnvAnalyze(64, 3, 44100), nullptr);
    EXPECT_EQ(initEnvAnalyze(64, 1, 0), nullptr);
    EXPECT_EQ(initEnvAnalyze(0xFFFFFFFFu, 1, 44100), nullptr);
    EXPECT_EQ(initEnvAnalyze(64, 1, 0xFFFFFFFFu), nullptr);

    void* h = initEnvAnalyze(64, 1, 500);  // below 1 kHz the hold window is empty: plain rectifier
    ASSERT_NE(h, nullptr);
    std::vector<int16_t> pcm(80, 1000);
    std::vector<float> out(80, 3.0f);
    EXPECT_EQ(doEnvAnalyze(h, pcm.data(), out.data(), 65 * 2), 0);
    EXPECT_EQ(out[0], 3.0f);
    EXPECT_EQ(doEnvAnalyze(h, nullptr, out.data(), 2), 0);
    EXPECT_EQ(doEnvAnalyze(h, pcm.data(), out.data(), 0), 1);
    EXPECT_EQ(doEnvAnalyze(h, pcm.data(), out.data(), 64 * 2), 1);
    EXPECT_EQ(termEnvAnalyze(h), 1);
}

}  // namespace
