#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/rate/cubic_kernel.h"
#include "dsp/rate/resampler.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

std::vector<float> ramp(uint32_t n)
{
    std::vector<float> v(n);
    for (uint32_t i = 0; i < n; ++i)
        v[i] = 0.0001f * static_cast<float>(i + 1);
    return v;
}

TEST(ResamplerChannel, SizesAndFilterOrderFollowTheRates)
{
    ResamplerChannel c;
    EXPECT_EQ(c.init(8192, 44100, 48000, 0, 60, 60, false, 0.1f), 8916u);
    EXPECT_EQ(c.direction(), 1);
    EXPECT_EQ(ResamplerChannel::filterOrder(60, 60, 0.1), 8);
    EXPECT_EQ(ResamplerChannel::filterOrder(60, 120, 0.1), 11);
    // The pass band ends As/S octaves below half the lower rate: a quarter, then 0.3536 of it.
    EXPECT_NEAR(c.filter().cutoff(), 44100 * 0.25, 0.01);
    c.init(8192, 44100, 48000, 0, 60, 120, false, 0.1f);
    EXPECT_NEAR(c.filter().cutoff() / 44100.0, 0.3536, 1e-4);
    EXPECT_EQ(c.filter().sampleRate(), 48000.0f);
    // Extreme attenuations cannot ask for an unbounded cascade.
    EXPECT_EQ(ResamplerChannel::filterOrder(5000, 1000, 0.1), BiquadCascade::kMaxOrder);
}

TEST(ResamplerChannel, LinearChunksStartAndEndOnTheirInputs)
{
    ResamplerChannel c;
    c.init(8192, 44100, 48000, 0, 60, 60, false, 0.1f);
    const std::vector<float> in = ramp(8192);
    std::vector<float> out(8916 + 4, -7.0f);
    ASSERT_EQ(c.resampleBlock(in.data(), out.data(), 8192), 8916u);
    // Two chunks of 4458 outputs each, starting on inputs 0 and 4096, ending on 4095 and 8191.
    EXPECT_EQ(out[0], in[0]);
    EXPECT_EQ(out[4457], in[4095]);
    EXPECT_EQ(out[4458], in[4096]);
    EXPECT_EQ(out[8915], in[8191]);
    EXPECT_EQ(out[8916], -7.0f);
    for (uint32_t i = 1; i < 8916; ++i)
        ASSERT_GE(out[i], out[i - 1]) << i;  // a ramp stays monotonic
}

TEST(ResamplerChannel, CubicChunksStartFromHistoryAndEndOnTheThirdLastInput)
{
    ResamplerChannel c;
    c.init(8192, 44100, 48000, 1, 60, 60, false, 0.1f);
    const std::vector<float> in = ramp(8192);
    std::vector<float> out(8916);
    c.resampleBlock(in.data(), out.data(), 8192);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[4457], in[4093]);
    EXPECT_EQ(out[8915], in[8189]);
    // The second chunk starts on the previous chunk's second-last input: no gap at the joint.
    EXPECT_NEAR(out[4458], in[4094], 1e-6);
}

TEST(ResamplerChannel, EqualRatesCopyTheCountedSamplesOnly)
{
    ResamplerChannel c;
    c.init(64, 44100, 44100, 0, 60, 60, true, 0.1f);
    const std::vector<float> in = ramp(15);
    std::vector<float> out(16, -7.0f);
    EXPECT_EQ(c.resampleBlock(in.data(), out.data(), 15), 14u);  // 15/44100*44100 falls just below 15
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(out[i], in[i]);
    EXPECT_EQ(out[14], -7.0f);
}

TEST(ResamplerChannel, ShortAndUnwrittenChunksNeverLeaveStaleOutput)
{
    ResamplerChannel c;
    // 11025 -> 48000: two full chunks give 2 x 17832 outputs, one short of the 35665 counted.
    c.init(8192, 11025, 48000, 0, 60, 60, false, 0.1f);
    const std::vector<float> in = ramp(8192);
    std::vector<float> out(35666, -7.0f);
    ASSERT_EQ(c.resampleBlock(in.data(), out.data(), 8192), 35665u);
    EXPECT_EQ(out[35664], out[35663]);
    EXPECT_EQ(out[35665], -7.0f);

    // Far below 1/4096 of the source rate no chunk produces output: the count is held, not garbage.
    for (int interpolation : {0, 1}) {
        c.init(8192, 44100, 10, interpolation, 60, 60, false, 0.1f);
        std::vector<float> few(3, -7.0f);
        ASSERT_EQ(c.resampleBlock(in.data(), few.data(), 8192), 1u);
        EXPECT_EQ(few[0], in[8191]);
        EXPECT_EQ(few[1], -7.0f);
    }

    // A last chunk of a single input sample has nothing to interpolate towards.
    c.init(4097, 44100, 48000, 0, 60, 60, false, 0.1f);
    std::vector<float> tail(c.dstSize(4097) + 1, -7.0f);
    const std::vector<float> in2 = ramp(4097);
    ASSERT_EQ(c.resampleBlock(in2.data(), tail.data(), 4097), c.dstSize(4097));
    EXPECT_EQ(tail[c.dstSize(4097) - 1], in2[4096]);
    EXPECT_EQ(tail.back(), -7.0f);
    // Blocks above the capacity are refused.
    EXPECT_EQ(c.resampleBlock(in.data(), tail.data(), 4098), 0u);
}

TEST(Resampler, KeepsToneFrequencyAndSuppressesAliasing)
{
    // 1 kHz through 44.1 -> 48 kHz cubic with anti-imaging stays at 1 kHz.
    Resampler* up = Resampler::create(8192, 1, 1, 44100, 48000, 1, 60, 60, true);
    ASSERT_NE(up, nullptr);
    const std::vector<float> tone = testsig::sine(1000, 44100, 8192, 0.5);
    std::vector<float> out(up->getDstSize(8192));
    ASSERT_EQ(up->processChannel(0, tone.data(), out.data(), 8192), 8916u);
    EXPECT_NEAR(testsig::dominantFrequency(out.data() + 4096, 4096, 48000), 1000.0, 2.0);
    delete up;

    // 15 kHz at 48 kHz down to 22050 Hz would alias to 7050 Hz; the filter must keep it below
    // the designed 60 dB stop band.
    const std::vector<float> high = testsig::sine(15000, 48000, 16384, 0.9);
    for (bool antiAlias : {false, true}) {
        Resampler* down = Resampler::create(16384, 1, 1, 48000, 22050, 1, 60, 60, antiAlias);
        std::vector<float> o(down->getDstSize(16384));
        const uint32_t n = down->processChannel(0, high.data(), o.data(), 16384);
        const double alias = testsig::toneAmplitude(o.data() + 2048, n - 2048, 7050, 22050) / 0.9;
        if (antiAlias)
            EXPECT_LT(20 * std::log10(alias), -60.0);
        else
            EXPECT_GT(20 * std::log10(alias), -20.0);  // the test would see aliasing if it were there
        delete down;
    }
}

TEST(ResamplerExports, ChannelCountsSizesAndBadInput)
{
    EXPECT_EQ(initResampler(1024, 1, 2, 44100, 48000, 0, 0.0f, 60, 1), nullptr);
    EXPECT_EQ(initResampler(1024, 1, 2, 44100, 48000, 0, 60, -1.0f, 1), nullptr);
    EXPECT_EQ(initResampler(1024, 1, 2, 0, 48000, 0, 60, 60, 1), nullptr);
    EXPECT_EQ(initResampler(1024, 1, 2, 44100, 0, 0, 60, 60, 1), nullptr);
    EXPECT_EQ(initResampler(1u << 30, 1, 2, 1, 48000, 0, 60, 60, 1), nullptr);

    void* r = initResampler(1024, 1, 2, 44100, 48000, 1, 60, 60, 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(getResamplerDstSize(r, 1024), 1114u);
    const std::vector<int16_t> src = testsig::sinePcm16(440, 44100, 1024);
    std::vector<int16_t> dst(2 * 1114 + 2, 77);
    EXPECT_EQ(doResampler(r, src.data(), dst.data(), 2048), 2 * 2 * 1114);
    for (uint32_t i = 0; i < 1114; ++i)
        ASSERT_EQ(dst[2 * i], dst[2 * i + 1]);
    EXPECT_EQ(dst[2 * 1114], 77);
    EXPECT_EQ(doResampler(r, src.data(), dst.data(), 2050), 0);  // one frame too many
    EXPECT_EQ(doResampler(r, nullptr, dst.data(), 2048), 0);
    EXPECT_EQ(doResampler(r, src.data(), dst.data(), 0), 0);
    EXPECT_EQ(termStretch(r), 0);  // wrong family
    EXPECT_EQ(termResampler(r), 1);
    EXPECT_EQ(termResampler(nullptr), 0);

    // Stereo to mono keeps the left channel.
    void* s = initResampler(256, 2, 1, 48000, 44100, 0, 60, 60, 0);
    std::vector<int16_t> st(512);
    for (int i = 0; i < 256; ++i) {
        st[2 * i] = 1000;
        st[2 * i + 1] = -1000;
    }
    std::vector<int16_t> mono(256, 0);
    const int32_t bytes = doResampler(s, st.data(), mono.data(), 1024);
    ASSERT_EQ(bytes, 2 * 235);
    EXPECT_NEAR(mono[100], 1000, 1);
    termResampler(s);
}

TEST(Resampler, ReconfigurationResizesForTheNewRate)
{
    Resampler* r = Resampler::create(512, 1, 1, 44100, 48000, 0, 60, 60, false);
    r->allocBuffers(4096, 2, 22050);
    EXPECT_EQ(r->inRate, 22050u);
    EXPECT_EQ(r->maxOutFrames, 8916u);
    EXPECT_EQ(r->outChannels, 2u);
    const std::vector<float> in = ramp(4096);
    std::vector<float> l(8916), rr(8916);
    EXPECT_EQ(r->process(in.data(), in.data(), l.data(), rr.data(), 4096), 8916u);
    EXPECT_EQ(l, rr);
    r->allocBuffers(4096, 2, 0);  // no rate: the format is kept
    EXPECT_EQ(r->inRate, 22050u);
    delete r;
}

}  // namespace

namespace {

TEST(CubicKernel, ExpandedWeightsMatchTheKernelPieces)
{
    // One unit sample in each of the four taps reads back that tap's kernel weight.
    for (double f : {0.0, 0.125, 0.5, 0.77, 0.999}) {
        const double expect[4] = {cubicKernel(1.0 + f), cubicKernel(f), cubicKernel(1.0 - f), cubicKernel(2.0 - f)};
        for (int tap = 0; tap < 4; ++tap) {
            float s[4] = {0, 0, 0, 0};
            s[tap] = 1.0f;
            EXPECT_NEAR(cubicAt<double>(s, f), expect[tap], 1e-12) << f << " " << tap;
        }
    }
}

}  // namespace
