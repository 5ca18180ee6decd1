#include <gtest/gtest.h>

#include <vector>

#include "orvane/dsp.h"
#include "spectrum_reference.h"
#include "support/signal.h"

namespace {

using spectrumref::expectSpectrumNear;
using spectrumref::referenceDb;

std::vector<double> unitTail(const std::vector<int16_t>& pcm, size_t count)
{
    std::vector<double> x;
    for (size_t i = pcm.size() - count; i < pcm.size(); ++i)
        x.push_back(pcm[i] / 32767.0);
    return x;
}

TEST(SpectrumAnalyzer, AnalysesTheNewestSamplesOfTheHistory)
{
    void* h = initFftAnalyze(576, 1, 1024, 1344);
    ASSERT_NE(h, nullptr);
    const std::vector<int16_t> noise = testsig::noisePcm16(576 * 3, 11, 20000);
    std::vector<int16_t> seen(1344, 0);  // the history starts silent
    std::vector<float> out(512);
    for (int block = 0; block < 3; ++block) {
        const int16_t* src = noise.data() + 576 * block;
        ASSERT_EQ(doFftAnalyze(h, src, out.data(), 576 * 2), 1);
        seen.insert(seen.end(), src, src + 576);
        expectSpectrumNear(out.data(), referenceDb(unitTail(seen, 1024), 120.0), "block");
    }
    EXPECT_EQ(termFftAnalyze(h), 1);
}

TEST(SpectrumAnalyzer, StereoAndShortBlocks)
{
    const uint32_t block = 100;
    void* h = initFftAnalyze(block, 2, 128, 300);
    ASSERT_NE(h, nullptr);
    const std::vector<int16_t> pcm = testsig::noisePcm16(block * 2 * 2, 5, 15000);
    std::vector<int16_t> left(300, 0);
    std::vector<int16_t> right(300, 0);
    std::vector<float> out(129, 777.0f);
    for (uint32_t frames : {block, 37u}) {  // the second block is short: zero-padded to a full hop
        ASSERT_EQ(doFftAnalyze(h, pcm.data() + (frames == block ? 0 : block * 2), out.data(), frames * 4), 1);
        for (uint32_t i = 0; i < block; ++i) {
            const size_t at = (frames == block ? 0 : block * 2) + 2 * i;
            left.push_back(i < frames ? pcm[at] : 0);
            right.push_back(i < frames ? pcm[at + 1] : 0);
        }
        expectSpectrumNear(out.data(), referenceDb(unitTail(left, 128), 120.0), "left");
        expectSpectrumNear(out.data() + 64, referenceDb(unitTail(right, 128), 120.0), "right");
        EXPECT_EQ(out[128], 777.0f);
    }
    termFftAnalyze(h);
}

TEST(SpectrumAnalyzer, RefusesArgumentsOutsideItsConstraints)
{
    EXPECT_EQ(initFftAnalyze(576, 1, 1000, 1344), nullptr);   // not a power of two
    EXPECT_EQ(initFftAnalyze(576, 1, 2048, 1344), nullptr);   // N above the history
    EXPECT_EQ(initFftAnalyze(2000, 1, 1024, 1344), nullptr);  // history shorter than a block
    EXPECT_EQ(initFftAnalyze(0, 1, 4, 16), nullptr);
    EXPECT_EQ(initFftAnalyze(576, 0, 1024, 1344), nullptr);
    EXPECT_EQ(initFftAnalyze(0xFFFFFFFFu, 2, 1024, 0xFFFFFFFFu), nullptr);

    void* h = initFftAnalyze(64, 1, 64, 64);
    ASSERT_NE(h, nullptr);
    std::vector<int16_t> pcm(100, 1);
    std::vector<float> out(32, 5.0f);
    EXPECT_EQ(doFftAnalyze(h, pcm.data(), out.data(), 65 * 2), 0);
    EXPECT_EQ(out[0], 5.0f);
    EXPECT_EQ(doFftAnalyze(h, pcm.data(), nullptr, 2), 0);
    EXPECT_EQ(doFftAnalyze(h, nullptr, out.data(), 2), 0);
    EXPECT_EQ(doFft(h, pcm.data(), out.data(), 2), 0);         // same family, but not a block FFT
    EXPECT_EQ(doEnvAnalyze(h, pcm.data(), out.data(), 2), 0);  // nor an envelope analyser
    EXPECT_EQ(termEnvAnalyze(h), 1);                           // any family term destroys it

    void* fft = initFft(64, 1, 1, 120);
    EXPECT_EQ(doFftAnalyze(fft, pcm.data(), out.data(), 2), 0);
    EXPECT_EQ(termFftAnalyze(fft), 1);
}

}  // namespace
