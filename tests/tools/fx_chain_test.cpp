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
constexpr uint32_t kRate = 44100;

using DoFn = std::function<int32_t(void*, const int16_t*, int16_t*, uint32_t)>;

// One effect as orvane fx names it, and the same effect made and run through its own exports.
struct Case {
    const char* effectSpec;
    std::function<void*()> init;
    DoFn run;
    bool returnsBytes;  // rate and length changers return the bytes written; the others 1
    std::function<int32_t(void*)> term;
    uint32_t block = kBlock;
};

// Runs the effect's do* over stereo pcm block by block, as the chain inside orvane fx feeds it.
std::vector<int16_t> direct(const Case& c, const std::vector<int16_t>& pcm)
{
    void* h = c.init();
    EXPECT_NE(h, nullptr) << c.effectSpec;
    std::vector<int16_t> out, block(kBlock * 2 * 8);
    for (size_t f = 0; h != nullptr && f < pcm.size() / 2; f += c.block) {
        const uint32_t bytes = uint32_t(std::min<size_t>(c.block, pcm.size() / 2 - f) * 4);
        const int32_t r = c.run(h, pcm.data() + 2 * f, block.data(), bytes);
        const uint32_t made = c.returnsBytes ? uint32_t(r) : (r == 1 ? bytes : 0);
        EXPECT_TRUE(c.returnsBytes ? r >= 0 : r == 1) << c.effectSpec;
        out.insert(out.end(), block.begin(), block.begin() + made / 2);
    }
    if (h != nullptr)
        c.term(h);
    return out;
}

std::vector<int16_t> throughFx(const std::vector<int16_t>& pcm, const std::string& effects)
{
    const std::string in = testsig::tempPath("fx-chain-in.wav");
    const std::string out = testsig::tempPath("fx-chain-out.wav");
    EXPECT_TRUE(testsig::writeWavPcm16(in, pcm, 2, kRate));
    EXPECT_EQ(runOrvane("fx " + in + " " + out + " " + effects).status, 0) << effects;
    auto result = testsig::readWavPcm16(out);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return result;
}

TEST(FxChain, EveryEffectThroughTheChainMatchesItsOwnExportBlockByBlock)
{
    const float shelfGains[4] = {3.0f, -6.0f, 0.0f, 2.0f};
    const Case cases[] = {
        {"iir:5,3000,hp", [] { return initIirFilter(kBlock, 2, kRate, 5, 3000.0f, 1); }, doIirFilter, false,
         termIirFilter},
        {"shelf:3,-6,0,2", [&] { return initShelvingEQ(kBlock, 2, kRate, 4, shelfGains, 0.0f); }, doShelvingEQ, false,
         termShelvingEQ},
        {"chorus:4,15,2.5,0.7,35,60", [] { return initChorus(kBlock, 2, kRate, 4, 15.0f, 2.5f, 0.7f, 35.0f, 60.0f); },
         doChorus, false, termChorus},
        {"fade:0.05,0.2,-30,-3",
         [] {
             void* h = initFader(kBlock, 2, kRate, 1.0f, -3.0f, 0.0f);
             setFaderAction(h, 0, 0.05f, 0.2f, -30.0f);
             return h;
         },
         [](void* h, const int16_t* in, int16_t* out, uint32_t bytes) { return doFade(h, 0, in, out, bytes); }, false,
         termFader},
        {"resample:48000,cubic,aa", [] { return initResampler(kBlock, 2, 2, kRate, 48000, 1, 60.0f, 60.0f, 1); },
         doResampler, true, termResampler},
        {"pitch:700", [] { return initPitchShift(kBlock, 2, kRate, 700.0f, 0.0f, 0.05f, 0.01f, 1, 1); }, doPitchShift,
         false, termPitchShift},
        {"stretch:500", [] { return initStretch(kBlock, 2, kRate, 500.0f, 0.0f, 0.05f, 0.01f); }, doStretch, true,
         termStretch},
        {"hqups:0.3,100",
         [] { return initHqupsBySrcsize(kBlock, 2, 2, kRate, 0.3f, 100.0f, 16000, 1, 60.0f, 240.0f, 1, 1); }, doHqups,
         true, termHqups},
    };
    // Longer than two blocks and not a multiple of one, so the partial last block counts.
    const auto pcm = testsig::noisePcm16(2 * 10007, 47, 12000);
    for (const Case& c : cases) {
        const std::vector<int16_t> expected = direct(c, pcm);
        EXPECT_FALSE(expected.empty()) << c.effectSpec;
        EXPECT_TRUE(withinOneStep(throughFx(pcm, c.effectSpec), expected)) << c.effectSpec;
    }
}

TEST(FxChain, HelpListsEveryEffectWithItsParameters)
{
    const CliResult help = runOrvane("fx --help");
    ASSERT_EQ(help.status, 0);
    for (const char* name : {"eq", "shelf", "iir", "chorus", "fade", "resample", "pitch", "stretch", "hqups"})
        EXPECT_NE(help.out.find("\n             " + std::string(name) + ":"), std::string::npos) << name;
}

TEST(FxChain, AllFamiliesRunInOneChain)
{
    const auto tone = testsig::sinePcm16(440, kRate, kRate, 2, 8000);
    const auto out = throughFx(tone,
                               "eq:0,0,3 shelf iir:2,8000 chorus fade:0.5,0.9,-6 pitch:100 stretch:200 "
                               "resample:32000 hqups");
    // Stretched to 2^(-0.2) of the length, then brought from 44.1 through 32 to 48 kHz.
    EXPECT_NEAR(double(out.size()) / 2, kRate * std::pow(2.0, -0.2) * 48000 / kRate, 200.0);
}

}  // namespace
