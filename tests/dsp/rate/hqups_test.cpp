#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/rate/hqups.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

Hqups::Settings settings(uint32_t channels, float harmonics, float mix, int32_t mode)
{
    return {channels, channels, 44100, harmonics, mix, 16000, 1, 60, 60, mode, true};
}

TEST(ShapingCurve, IdentityAtZeroAndClipsBeyondOne)
{
    ShapingCurve c;
    c.rebuild(0.0f);
    EXPECT_EQ(c.breakpoints().size(), 65u);
    for (float v : {0.0f, 0.1f, -0.37f, 0.999f, 0.5f, -0.02f})
        EXPECT_NEAR(c(v), v, 1e-6f) << v;
    EXPECT_FLOAT_EQ(c(1.7f), 1.0f);
    EXPECT_FLOAT_EQ(c(-3.0f), -1.0f);
    c.rebuild(0.3f);
    EXPECT_GT(c(0.25f), 0.25f);  // the control point above the diagonal bends the curve up
    EXPECT_FLOAT_EQ(c(-0.25f), -c(0.25f));
    for (size_t i = 1; i < c.breakpoints().size(); ++i)
        EXPECT_LT(c.breakpoints()[i - 1].x, c.breakpoints()[i].x);
    // Bends beyond the square keep only the points inside it; a NaN bend is the identity.
    c.rebuild(50.0f);
    EXPECT_FLOAT_EQ(c(2.0f), 1.0f);
    c.rebuild(NAN);
    EXPECT_NEAR(c(0.3f), 0.3f, 1e-6f);
}

TEST(KaiserFir, HighPassPassesNyquistStopsDcAndDelaysByHalfItsLength)
{
    KaiserFir f;
    f.setup(100, 16);
    EXPECT_NEAR(f.beta(), 0.1102 * (100 - 8.7), 1e-12);
    f.design(48000, 16000);
    double dc = 0, nyq = 0;
    for (uint32_t j = 0; j <= 16; ++j) {
        dc += f.taps()[j];
        nyq += f.taps()[j] * ((j & 1) ? -1.0 : 1.0);
    }
    EXPECT_NEAR(dc, 0.0, 1e-4);  // the 100 dB design leaves about -100 dB at DC
    EXPECT_NEAR(std::fabs(nyq), 1.0, 1e-6);
    // An alternating signal comes out whole, eight samples late, across block joints.
    std::vector<float> x(64), y(64);
    for (int i = 0; i < 64; ++i)
        x[i] = (i & 1) ? -0.5f : 0.5f;
    f.process(x.data(), y.data(), 10);
    f.process(x.data() + 10, y.data() + 10, 54);
    for (int i = 16; i < 64; ++i)
        EXPECT_NEAR(y[i], x[i - 8] * nyq, 1e-5) << i;
}

TEST(HarmonicsChannel, EdgeSearchFindsTheRiseAboveTheValley)
{
    std::vector<float> flat(128, -40.0f);
    EXPECT_EQ(HarmonicsChannel::edgeBin(flat.data()), 127u);
    EXPECT_FLOAT_EQ(127 * 48000 * (0.5f / 128), 23812.5f);
    // A source band-limited at bin 100: silence above, music below.
    std::vector<float> cut(128, -110.0f);
    for (int b = 0; b <= 100; ++b)
        cut[b] = -40.0f;
    // The rise is seen at bin 100 and confirmed on the next bin down, which is reported.
    EXPECT_EQ(HarmonicsChannel::edgeBin(cut.data()), 99u);

    HarmonicsChannel h;
    h.init(4096, 48000, 0, 0, 16000, 1);
    const std::vector<float> noise = testsig::noise(4096, 11, 0.5f);
    EXPECT_FLOAT_EQ(h.detectEdge(noise.data(), 4096), 23812.5f);
    EXPECT_FLOAT_EQ(h.detectEdge(noise.data(), 300), 23812.5f);  // a short block is right-aligned
}

TEST(Hqups, SizesFollowTheSourceRate)
{
    Hqups* h = Hqups::createForOutput(4096, settings(2, 0, 0, 0));
    ASSERT_NE(h, nullptr);
    // The largest source block that can never give more than 4096 frames: 3763 gives 4095 or 4096.
    EXPECT_EQ(h->maxInFrames, 3763u);
    EXPECT_EQ(h->srcSizeFor(4096), 3763u);
    EXPECT_EQ(h->getDstSize(3763), 4096u);
    delete h;
    EXPECT_EQ(Hqups::srcSizeFor(0, 44100), 0u);
}

TEST(Hqups, MixZeroIsTheResampledSignalDelayed)
{
    const std::vector<float> in = testsig::sine(3000, 44100, 3763, 0.6);
    for (int32_t mode : {0, 1}) {
        const uint32_t delay = mode == 1 ? 16 : 8;
        Hqups* h = Hqups::createForOutput(4096, settings(1, 0.4f, 0, mode));
        ResamplerChannel ref;
        ref.init(3763, 44100, 48000, 1, 60, 60, true, 0.1f);
        std::vector<float> out(4096), expect(4096);
        ASSERT_EQ(h->processChannel(0, in.data(), out.data(), 3763), 4095u);
        ref.resampleBlock(in.data(), expect.data(), 3763);
        for (uint32_t i = 0; i < delay; ++i)
            EXPECT_EQ(out[i], 0.0f);
        for (uint32_t i = delay; i < 4095; ++i)
            ASSERT_NEAR(out[i], expect[i - delay], 1e-6f) << mode << " " << i;
        delete h;
    }
}

TEST(Hqups, HarmonicsZeroAddsNothingWhileTheBandStaysInRange)
{
    const std::vector<float> in = testsig::sine(15000, 44100, 3763, 0.5);
    Hqups* dry = Hqups::createForOutput(4096, settings(1, 0, 0, 0));
    Hqups* wet = Hqups::createForOutput(4096, settings(1, 0, 100, 0));
    Hqups* bright = Hqups::createForOutput(4096, settings(1, 0.4f, 100, 0));
    std::vector<float> a(4096), b(4096), c(4096);
    dry->processChannel(0, in.data(), a.data(), 3763);
    wet->processChannel(0, in.data(), b.data(), 3763);
    bright->processChannel(0, in.data(), c.data(), 3763);
    for (uint32_t i = 0; i < 4095; ++i)
        ASSERT_NEAR(a[i], b[i], 1e-6f) << i;
    // A bent curve distorts the 15 kHz band: its third harmonic folds back to 3 kHz at 48 kHz.
    EXPECT_GT(testsig::rms(c.data() + 1024, 3072), testsig::rms(a.data() + 1024, 3072) * 1.001);
    delete dry;
    delete wet;
    delete bright;
}

TEST(HqupsExports, StereoMonoSizesAndBadInput)
{
    EXPECT_EQ(initHqups(4096, 1, 2, 0, 0, 0, 16000, 1, 60, 60, 0, 1), nullptr);
    EXPECT_EQ(initHqups(0, 1, 2, 44100, 0, 0, 16000, 1, 60, 60, 0, 1), nullptr);
    EXPECT_EQ(initHqups(4096, 1, 2, 44100, 0, 0, 16000, 1, 0, 60, 0, 1), nullptr);
    EXPECT_EQ(initHqupsBySrcsize(4096, 1, 2, 1, 0, 0, 16000, 1, 60, 60, 0, 1), nullptr);

    void* h = initHqups(4096, 1, 2, 44100, 0.3f, 50, 16000, 1, 60, 60, 1, 1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(getHqupsSrcSize(h, 4096), 3763u);
    EXPECT_EQ(getHqupsDstSize(h, 3763), 4096u);  // the most; this first block gives 4095
    const std::vector<int16_t> src = testsig::sinePcm16(1000, 44100, 3763);
    std::vector<int16_t> dst(2 * 4096 + 2, 9);
    EXPECT_EQ(doHqups(h, src.data(), dst.data(), 3763 * 2), 4095 * 2 * 2);
    for (uint32_t i = 0; i < 4095; ++i)
        ASSERT_EQ(dst[2 * i], dst[2 * i + 1]);
    EXPECT_EQ(dst[2 * 4095], 9);
    EXPECT_EQ(doHqups(h, src.data(), dst.data(), 3764 * 2), 0);
    EXPECT_EQ(setHqupsHarmonics(h, 0.5f), 1);
    EXPECT_EQ(setHqupsMix(h, NAN), 0);
    EXPECT_EQ(setHqupsActiveMode(h, 0), 1);
    EXPECT_EQ(setPitchShiftPitch(h, 100), 0);  // wrong family
    EXPECT_EQ(termHqups(h), 1);

    void* s = initHqupsBySrcsize(1000, 2, 2, 22050, 0.3f, 100, 9000, 0, 60, 60, 1, 0);
    ASSERT_NE(s, nullptr);
    const std::vector<int16_t> st = testsig::sinePcm16(500, 22050, 1000, 2);
    std::vector<int16_t> out(2 * getHqupsDstSize(s, 1000));
    EXPECT_EQ(doHqups(s, st.data(), out.data(), 4000), 2 * 2 * 2176);  // floor(1000 x 48000 / 22050)
    EXPECT_EQ(termHqups(s), 1);
}

}  // namespace
