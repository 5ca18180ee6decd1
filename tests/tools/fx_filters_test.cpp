#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kBlock = 4096;  // the block orvane fx reads

// Runs the effect's own do* export over pcm block by block, as orvane fx would.
std::vector<int16_t> direct(void* h, std::vector<int16_t> pcm, uint32_t channels,
                            const std::function<int32_t(void*, const int16_t*, int16_t*, uint32_t)>& run)
{
    const size_t frames = pcm.size() / channels;
    for (size_t f = 0; f < frames; f += kBlock) {
        const size_t n = std::min<size_t>(kBlock, frames - f);
        EXPECT_EQ(run(h, pcm.data() + f * channels, pcm.data() + f * channels, uint32_t(n * channels * 2)), 1);
    }
    return pcm;
}

std::vector<int16_t> throughFx(const std::vector<int16_t>& pcm, uint32_t channels, const std::string& effects)
{
    const std::string in = testsig::tempPath("fx-filters-in.wav");
    const std::string out = testsig::tempPath("fx-filters-out.wav");
    EXPECT_TRUE(testsig::writeWavPcm16(in, pcm, channels, 44100));
    EXPECT_EQ(runOrvane("fx " + in + " " + out + " " + effects).status, 0) << effects;
    auto result = testsig::readWavPcm16(out);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return result;
}

TEST(FxFilters, EachEffectMatchesItsOwnExportBlockByBlock)
{
    const auto pcm = testsig::noisePcm16(2 * 10007, 31, 12000);
    void* iir = initIirFilter(kBlock, 2, 44100, 5, 3000.0f, 1);
    EXPECT_EQ(throughFx(pcm, 2, "iir:5,3000,hp"), direct(iir, pcm, 2, doIirFilter));
    termIirFilter(iir);

    const float gains[4] = {3.0f, -6.0f, 0.0f, 2.0f};
    void* shelf = initShelvingEQ(kBlock, 2, 44100, 4, gains, 0.0f);
    EXPECT_EQ(throughFx(pcm, 2, "shelf:3,-6,0,2"), direct(shelf, pcm, 2, doShelvingEQ));
    termShelvingEQ(shelf);

}

TEST(FxFilters, EqIsLevelledAtOneKilohertzAndBoostsItsBands)
{
    const auto tone = testsig::sinePcm16(1000.0, 44100.0, 44100, 2, 3000.0);
    auto level = [&](const std::string& effectSpec) {
        const auto out = throughFx(tone, 2, effectSpec);
        return 20 * std::log10(testsig::toneAmplitudePcm16(out.data() + 44100, 22050, 1000, 44100, 2) /
                               testsig::toneAmplitudePcm16(tone.data() + 44100, 22050, 1000, 44100, 2));
    };
    EXPECT_NEAR(level("eq"), 0.0, 0.5);
    EXPECT_GT(level("eq:0,0,0,0,0,9"), 3.0);
    // The bands run in parallel, so a cut is partly filled in by its neighbours.
    EXPECT_LT(level("eq:0,0,0,0,0,-9"), -1.0);
}

TEST(FxFilters, LowPassAttenuatesByTheDesignedAmount)
{
    const auto tone = testsig::sinePcm16(5000.0, 44100.0, 44100, 1, 16000.0);
    const auto out = throughFx(tone, 1, "iir:2,1000,lp");
    ASSERT_EQ(out.size(), tone.size());
    // Order-2 Chebyshev, 1 dB ripple: 1/sqrt(1 + eps^2 T2(x)^2), x = tan(pi 5000/fs) / tan(pi 1000/fs).
    const double x = std::tan(M_PI * 5000 / 44100) / std::tan(M_PI * 1000 / 44100);
    const double t2 = 2 * x * x - 1;
    const double designed = 1.0 / std::sqrt(1.0 + (std::pow(10.0, 0.1) - 1.0) * t2 * t2);
    const size_t half = out.size() / 2;
    const double measured = testsig::toneAmplitudePcm16(out.data() + half, half, 5000, 44100) /
                            testsig::toneAmplitudePcm16(tone.data() + half, half, 5000, 44100);
    EXPECT_NEAR(20 * std::log10(measured), 20 * std::log10(designed), 0.2);
    EXPECT_LT(measured, 0.05);
}

TEST(FxFilters, BadArgumentsAreRefused)
{
    const auto pcm = testsig::noisePcm16(1000, 2);
    const std::string in = testsig::tempPath("fx-filters-bad.wav");
    const std::string out = testsig::tempPath("fx-filters-bad-out.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(in, pcm, 1, 44100));
    for (const char* effectSpec : {"iir:-1", "iir:4,30000", "iir:4,1000,bp", "shelf:1,2,3", "eq:100"})
        EXPECT_EQ(runOrvane("fx " + in + " " + out + " " + effectSpec).status, 2) << effectSpec;
    std::remove(in.c_str());
    std::remove(out.c_str());
}

}  // namespace
