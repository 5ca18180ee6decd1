#include <gtest/gtest.h>

#include <algorithm>
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
    EXPECT_TRUE(withinOneStep(throughFx(pcm, 2, "iir:5,3000,hp"), direct(iir, pcm, 2, doIirFilter)));
    termIirFilter(iir);

    const float gains[4] = {3.0f, -6.0f, 0.0f, 2.0f};
    void* shelf = initShelvingEQ(kBlock, 2, 44100, 4, gains, 0.0f);
    EXPECT_TRUE(withinOneStep(throughFx(pcm, 2, "shelf:3,-6,0,2"), direct(shelf, pcm, 2, doShelvingEQ)));
    termShelvingEQ(shelf);
}

// Through the built tool: with every band at 0 dB the equaliser is flat within 0.5 dB from
// 31 Hz to 16 kHz (tones a third of an octave apart), and in every setting of the table each
// octave centre sits within 0.5 dB of its band's gain. All tones run at once, each a whole
// number of periods in the 4 s measured after a second for the bands to settle.
TEST(FxFilters, EqMeetsEveryBandGainAndIsFlatAtZero)
{
    constexpr uint32_t kRate = 44100, kSettle = kRate, kMeasured = 4 * kRate;
    std::vector<double> tones;  // every third one is an octave centre
    for (int k = 0; k < 28; ++k)
        tones.push_back(std::round(31.25 * std::pow(2.0, k / 3.0) * 4.0) / 4.0);
    std::vector<double> mix(kSettle + kMeasured, 0.0);
    for (size_t t = 0; t < tones.size(); ++t)
        for (size_t i = 0; i < mix.size(); ++i)
            mix[i] += 300.0 * std::sin(2 * M_PI * tones[t] * double(i) / kRate + 2.4 * double(t * t));
    std::vector<int16_t> pcm(mix.size());
    for (size_t i = 0; i < mix.size(); ++i)
        pcm[i] = int16_t(std::lround(mix[i]));
    const auto gainDb = [&](const std::vector<int16_t>& out, double hz) {
        return 20
            * std::log10(testsig::toneAmplitudePcm16(out.data() + kSettle, kMeasured, hz, kRate)
                         / testsig::toneAmplitudePcm16(pcm.data() + kSettle, kMeasured, hz, kRate));
    };

    std::vector<std::vector<double>> settings = {std::vector<double>(10, 0.0)};
    for (int band = 0; band < 10; ++band)
        for (double db : {12.0, -12.0}) {
            settings.emplace_back(10, 0.0);
            settings.back()[size_t(band)] = db;
        }
    settings.push_back({12, -12, 12, -12, 12, -12, 12, -12, 12, -12});
    settings.push_back({-12, 12, -12, 12, -12, 12, -12, 12, -12, 12});
    for (const std::vector<double>& gains : settings) {
        std::string effect = "eq";
        for (size_t b = 0; b < gains.size(); ++b)
            effect += (b == 0 ? ":" : ",") + std::to_string(int(gains[b]));
        const auto out = throughFx(pcm, 1, effect);
        ASSERT_EQ(out.size(), pcm.size()) << effect;
        const bool flat = std::all_of(gains.begin(), gains.end(), [](double g) { return g == 0.0; });
        for (size_t t = 0; t < tones.size(); ++t) {
            if (flat || t % 3 == 0) {
                EXPECT_NEAR(gainDb(out, tones[t]), flat ? 0.0 : gains[t / 3], 0.5)
                    << effect << " at " << tones[t] << " Hz";
            }
        }
    }
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
    const double measured = testsig::toneAmplitudePcm16(out.data() + half, half, 5000, 44100)
        / testsig::toneAmplitudePcm16(tone.data() + half, half, 5000, 44100);
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
