#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kBlock = 4096;  // the block orvane fx reads
constexpr uint32_t kRate = 44100;

std::vector<int16_t> throughFx(const std::vector<int16_t>& pcm, uint32_t channels, const std::string& effects)
{
    const std::string in = testsig::tempPath("fx-mod-in.wav");
    const std::string out = testsig::tempPath("fx-mod-out.wav");
    EXPECT_TRUE(testsig::writeWavPcm16(in, pcm, channels, kRate));
    EXPECT_EQ(runOrvane("fx " + in + " " + out + " " + effects).status, 0) << effects;
    auto result = testsig::readWavPcm16(out);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return result;
}

TEST(FxChorusFade, ChorusMatchesItsOwnExportBlockByBlock)
{
    const auto pcm = testsig::noisePcm16(2 * 20011, 41, 12000);
    void* h = initChorus(kBlock, 2, kRate, 4, 15.0f, 2.5f, 0.7f, 35.0f, 60.0f);
    std::vector<int16_t> direct = pcm;
    for (size_t f = 0; f < pcm.size() / 2; f += kBlock) {
        const size_t n = std::min<size_t>(kBlock, pcm.size() / 2 - f);
        ASSERT_EQ(doChorus(h, direct.data() + 2 * f, direct.data() + 2 * f, uint32_t(n * 4)), 1);
    }
    termChorus(h);
    EXPECT_TRUE(withinOneStep(throughFx(pcm, 2, "chorus:4,15,2.5,0.7,35,60"), direct));
}

TEST(FxChorusFade, FadeMatchesItsOwnExportAndReachesItsLevel)
{
    const auto pcm = testsig::sinePcm16(1000, kRate, 30000, 1, 20000);
    void* h = initFader(kBlock, 1, kRate, 1.0f, -3.0f, 0.0f);
    ASSERT_EQ(setFaderAction(h, 0, 0.1f, 0.5f, -30.0f), 1);
    std::vector<int16_t> direct = pcm;
    for (size_t f = 0; f < pcm.size(); f += kBlock) {
        const size_t n = std::min<size_t>(kBlock, pcm.size() - f);
        ASSERT_EQ(doFade(h, 0, direct.data() + f, direct.data() + f, uint32_t(n * 2)), 1);
    }
    termFader(h);
    const auto out = throughFx(pcm, 1, "fade:0.1,0.5,-30,-3");
    EXPECT_TRUE(withinOneStep(out, direct));

    // A ramp from 0 s starts at the first sample; after it the level holds.
    const auto faded = throughFx(pcm, 1, "fade:0,0.2");
    ASSERT_EQ(faded.size(), pcm.size());
    const double before = testsig::toneAmplitudePcm16(pcm.data() + 20000, 8820, 1000, kRate);
    const double after = testsig::toneAmplitudePcm16(faded.data() + 20000, 8820, 1000, kRate);
    EXPECT_NEAR(20 * std::log10(after / before), -50.0, 0.3);
    EXPECT_NEAR(faded[1], pcm[1], 1);
}

TEST(FxChorusFade, BadArgumentsAreRefused)
{
    const std::string in = testsig::tempPath("fx-mod-bad.wav");
    const std::string out = testsig::tempPath("fx-mod-bad-out.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(in, testsig::noisePcm16(1000, 2), 1, kRate));
    for (const char* effectSpec :
         {"chorus:65", "chorus:3,-1", "chorus:3,20,3,2,40,70,9", "fade:2,1", "fade:0,1,60", "fade:x"})
        EXPECT_EQ(runOrvane("fx " + in + " " + out + " " + effectSpec).status, 2) << effectSpec;
    std::remove(in.c_str());
    std::remove(out.c_str());
}

}  // namespace
