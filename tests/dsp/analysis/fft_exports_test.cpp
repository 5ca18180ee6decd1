#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/core/dsp_effect.h"
#include "orvane/dsp.h"
#include "spectrum_reference.h"
#include "support/signal.h"
#include "support/vector_path.h"

namespace {

using spectrumref::expectSpectrumNear;
using spectrumref::referenceDb;
using spectrumref::toUnit;

constexpr float kGuard = 12345.0f;

// An effect of another family, for the tag checks.
class OtherFamily : public DspEffect {
public:
    OtherFamily() { type = EffectType::Chorus; }
    uint32_t processChannel(uint32_t, const float*, float*, uint32_t frames) override { return frames; }
};

TEST(Fft, SilenceGivesTheFloorEverywhere)
{
    void* h = initFft(256, 1, 1, 120);
    ASSERT_NE(h, nullptr);
    std::vector<int16_t> zeros(256, 0);
    std::vector<float> out(128, kGuard);
    EXPECT_EQ(doFft(h, zeros.data(), out.data(), 512), 128);
    for (float v : out)
        EXPECT_EQ(v, -120.0f);
    EXPECT_EQ(termFft(h), 1);
}

TEST(Fft, LevelsOfDcAndOfACentredSine)
{
    void* h = initFft(512, 1, 2, 120);
    std::vector<int16_t> dc(512, 32767);
    std::vector<float> out(512, kGuard);
    EXPECT_EQ(doFft(h, dc.data(), out.data(), 1024), 256);
    EXPECT_NEAR(out[0], 20.0 * std::log10(256.0), 0.01);  // window coherent gain 0.5: sum = N/2
    EXPECT_EQ(out[256], kGuard);                          // mono: one spectrum only, whatever spectra says

    const std::vector<int16_t> sine = testsig::sinePcm16(44100.0 * 32 / 512, 44100.0, 512, 1, 32767.0);
    doFft(h, sine.data(), out.data(), 1024);
    EXPECT_NEAR(out[32], 20.0 * std::log10(512.0 / 4), 0.05);
    EXPECT_LT(out[40], out[32] - 60.0);
    termFft(h);
}

TEST(Fft, EveryBinMatchesADirectDftOfTheWindowedBlock)
{
    for (uint32_t n : {4u, 64u, 1024u}) {
        void* h = initFft(n, 1, 1, 140);
        const std::vector<int16_t> noise = testsig::noisePcm16(n, n);
        std::vector<float> out(n / 2);
        ASSERT_EQ(doFft(h, noise.data(), out.data(), n * 2), int32_t(n / 2));
        expectSpectrumNear(out.data(), referenceDb(toUnit(noise, 1, 0), 140.0), "noise");
        termFft(h);
    }
}

TEST(Fft, StereoWithOneAndTwoSpectra)
{
    const uint32_t n = 256;
    std::vector<int16_t> pcm(n * 2);
    const std::vector<int16_t> left = testsig::sinePcm16(44100.0 * 8 / n, 44100.0, n, 1, 20000.0);
    const std::vector<int16_t> right = testsig::noisePcm16(n, 7, 3000);
    for (uint32_t i = 0; i < n; ++i) {
        pcm[2 * i] = left[i];
        pcm[2 * i + 1] = right[i];
    }

    void* two = initFft(n, 2, 2, 120);
    std::vector<float> out(n + 1, kGuard);
    EXPECT_EQ(doFft(two, pcm.data(), out.data(), n * 4), int32_t(n / 2));
    expectSpectrumNear(out.data(), referenceDb(toUnit(pcm, 2, 0), 120.0), "left");
    expectSpectrumNear(out.data() + n / 2, referenceDb(toUnit(pcm, 2, 1), 120.0), "right");
    EXPECT_EQ(out[n], kGuard);
    termFft(two);

    // The plain path's down-mix: (L + R) >> 1, then / 32767.
    const testsig::VectorPathScope plain(0);
    void* one = initFft(n, 2, 1, 120);
    std::fill(out.begin(), out.end(), kGuard);
    EXPECT_EQ(doFft(one, pcm.data(), out.data(), n * 4), int32_t(n / 2));
    std::vector<double> mix(n);
    for (uint32_t i = 0; i < n; ++i)
        mix[i] = ((int32_t(pcm[2 * i]) + pcm[2 * i + 1]) >> 1) / 32767.0;
    expectSpectrumNear(out.data(), referenceDb(mix, 120.0), "down-mix");
    EXPECT_EQ(out[n / 2], kGuard);
    termFft(one);
}

TEST(Fft, ShortBlocksAreZeroPaddedEvenAfterALongerOne)
{
    const uint32_t n = 128;
    void* h = initFft(n, 1, 1, 120);
    const std::vector<int16_t> noise = testsig::noisePcm16(n, 3);
    std::vector<float> out(n / 2);
    doFft(h, noise.data(), out.data(), n * 2);  // leaves a full block in the input buffer

    std::vector<int16_t> padded(n, 0);
    std::copy(noise.begin(), noise.begin() + 50, padded.begin());
    std::vector<float> expected(n / 2);
    doFft(h, padded.data(), expected.data(), n * 2);
    EXPECT_EQ(doFft(h, noise.data(), out.data(), 100), int32_t(n / 2));
    EXPECT_EQ(out, expected);

    EXPECT_EQ(doFft(h, nullptr, out.data(), 0), int32_t(n / 2));  // an empty block is silence
    EXPECT_EQ(out[5], -120.0f);
    termFft(h);
}

TEST(Fft, RefusesBadArgumentsWithoutTouchingAnything)
{
    EXPECT_EQ(initFft(0, 1, 1, 120), nullptr);
    EXPECT_EQ(initFft(2, 1, 1, 120), nullptr);
    EXPECT_EQ(initFft(1000, 1, 1, 120), nullptr);
    EXPECT_EQ(initFft(65536, 1, 1, 120), nullptr);
    EXPECT_EQ(initFft(0x80000000u, 1, 1, 120), nullptr);
    EXPECT_EQ(initFft(64, 0, 1, 120), nullptr);
    EXPECT_EQ(initFft(64, 3, 1, 120), nullptr);
    EXPECT_EQ(initFft(64, 1, 0, 120), nullptr);
    EXPECT_EQ(initFft(64, 1, 3, 120), nullptr);

    void* h = initFft(64, 2, 2, 120);
    std::vector<int16_t> pcm(200, 100);
    std::vector<float> out(64, kGuard);
    EXPECT_EQ(doFft(h, pcm.data(), out.data(), 64 * 4 + 4), 0);  // more frames than N
    EXPECT_EQ(out[0], kGuard);
    EXPECT_EQ(doFft(h, nullptr, out.data(), 8), 0);
    EXPECT_EQ(doFft(h, pcm.data(), nullptr, 8), 0);
    EXPECT_EQ(doFft(nullptr, pcm.data(), out.data(), 8), 0);
    EXPECT_EQ(termFft(nullptr), 0);

    OtherFamily other;
    EXPECT_EQ(doFft(&other, pcm.data(), out.data(), 8), 0);
    EXPECT_EQ(termFft(&other), 0);
    EXPECT_EQ(other.type, EffectType::Chorus);
    EXPECT_EQ(termFft(h), 1);
}

}  // namespace
