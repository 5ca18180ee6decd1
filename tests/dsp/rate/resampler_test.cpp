#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
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
    EXPECT_EQ(c.init(8192, 44100, 48000, 0, 60, 60, false, 0.1f), 8917u);  // ceil(8192 x 48000 / 44100)
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

// The defining formula: output k is the input at source position (k + 1) x src / dst less the
// interpolation's delay (one sample linear, two cubic), silence before the first sample.
double referenceAt(const std::vector<float>& x, uint64_t k, uint32_t src, uint32_t dst, int32_t interpolation)
{
    const auto at = [&](int64_t i) { return i >= 0 ? double(x[size_t(i)]) : 0.0; };
    const uint64_t scaled = (k + 1) * src;
    const int64_t whole = int64_t(scaled / dst) - (interpolation == 0 ? 1 : 2);
    const double f = double(scaled % dst) / dst;
    if (interpolation == 0)
        return at(whole) + f * (at(whole + 1) - at(whole));
    const float s[4] = {float(at(whole - 1)), float(at(whole)), float(at(whole + 1)), float(at(whole + 2))};
    return cubicAt<double>(s, f);
}

TEST(ResamplerChannel, OutputIsTheInputInterpolatedAtTheCarriedPosition)
{
    const std::vector<float> in = testsig::noise(3001, 7);
    const uint32_t rates[][2] = {{44100, 48000}, {48000, 44100}, {11025, 48000}, {44100, 10}, {8000, 8001}, {3, 2}};
    for (const auto& r : rates) {
        for (int32_t interpolation : {0, 1}) {
            ResamplerChannel c;
            c.init(3001, r[0], r[1], interpolation, 60, 60, false, 0.1f);
            std::vector<float> out(c.dstSize(3001) + 1, -7.0f);
            const uint32_t n = c.resampleBlock(in.data(), out.data(), 3001);
            ASSERT_EQ(n, uint64_t(3001) * r[1] / r[0]) << r[0] << " -> " << r[1];
            ASSERT_LE(n, c.dstSize(3001));
            EXPECT_EQ(out[n], -7.0f);  // nothing past the returned count
            for (uint32_t k = 0; k < n; ++k)
                ASSERT_NEAR(out[k], referenceAt(in, k, r[0], r[1], interpolation), 1e-5)
                    << r[0] << " -> " << r[1] << " interpolation " << interpolation << " output " << k;
        }
    }
}

TEST(ResamplerChannel, EqualRatesCopy)
{
    ResamplerChannel c;
    c.init(64, 44100, 44100, 0, 60, 60, true, 0.1f);
    const std::vector<float> in = ramp(15);
    std::vector<float> out(16, -7.0f);
    EXPECT_EQ(c.resampleBlock(in.data(), out.data(), 15), 15u);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(out[i], in[i]);
    EXPECT_EQ(out[15], -7.0f);
    EXPECT_EQ(c.resampleBlock(in.data(), out.data(), 65), 0u);  // above the capacity
}

// However the input is split, the concatenated output is the one-block output, sample for
// sample, and its length the rates' exact ratio; no block gives more than the size calls promise.
// Run through the chain, one converter or two, as hosts use it.
TEST(ResamplerChain, BlockSplitsKeepTheExactLengthAndTheSamples)
{
    std::mt19937 rng(2026);
    const uint32_t rates[] = {8000, 11025, 22050, 32000, 44100, 48000, 96000};
    for (int round = 0; round < 40; ++round) {
        const uint32_t channels = 1 + rng() % 2;
        const uint32_t src = round % 3 == 0 ? 1000 + rng() % 190000 : rates[rng() % 7];
        const uint32_t mid = round % 3 == 1 ? 1000 + rng() % 190000 : rates[rng() % 7];
        const bool twoStages = round % 2 == 1;
        const uint32_t dst = rates[rng() % 7];
        const uint32_t total = 1 + rng() % 6000;
        const std::vector<int16_t> in = testsig::noisePcm16(total * channels, round, 20000);
        uint64_t expected = uint64_t(total) * mid / src;
        if (twoStages)
            expected = expected * dst / mid;

        // Each run sends the input in blocks of sizes drawn by next (at most total).
        auto run = [&](auto next) {
            void* chain = dspCreate(total, channels, src);
            dspAdd(chain, initResampler(total, channels, channels, src, mid, rng() % 2, 60, 60, rng() % 2), 0);
            if (twoStages)
                dspAdd(chain, initResampler(1, channels, channels, mid, dst, rng() % 2, 60, 60, rng() % 2), 1);
            std::vector<int16_t> out;
            for (uint32_t done = 0; done < total;) {
                const uint32_t n = std::min(next(), total - done);
                const uint32_t most = dspGetDstSize(chain, n);
                std::vector<int16_t> block(size_t(most) * channels + 1, 555);
                const int32_t bytes
                    = dspSend(chain, in.data() + size_t(done) * channels, block.data(), n * channels * 2);
                EXPECT_LE(uint32_t(bytes), most * channels * 2);
                EXPECT_EQ(block[size_t(most) * channels], 555);
                out.insert(out.end(), block.begin(), block.begin() + bytes / 2);
                done += n;
            }
            dspDestroy(chain);
            return out;
        };
        // Both runs draw the same converter settings (interpolation, filter) from the same state.
        const std::mt19937 settings = rng;
        const std::vector<int16_t> whole = run([&] { return total; });
        rng = settings;
        std::mt19937 splits(round);
        const std::vector<int16_t> split = run([&] { return uint32_t(splits() % 700); });
        ASSERT_EQ(whole.size(), expected * channels) << src << " -> " << mid << (twoStages ? " -> " : "") << dst;
        ASSERT_EQ(split, whole) << src << " -> " << mid << (twoStages ? " -> " : "") << dst;
    }
    // 20 s at 44.1 kHz in 4096-frame blocks becomes exactly 20 s at 48 kHz.
    void* chain = dspCreate(4096, 1, 44100);
    dspAdd(chain, initResampler(4096, 1, 1, 44100, 48000, 0, 60, 60, 0), 0);
    const std::vector<int16_t> block(4096, 100);
    std::vector<int16_t> out(dspGetDstSize(chain, 4096));
    uint64_t frames = 0;
    for (uint32_t done = 0; done < 882000; done += 4096) {
        const uint32_t n = std::min(4096u, 882000 - done);
        frames += uint32_t(dspSend(chain, block.data(), out.data(), n * 2)) / 2;
    }
    EXPECT_EQ(frames, 960000u);
    dspDestroy(chain);
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
    EXPECT_EQ(getResamplerDstSize(r, 1024), 1115u);
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
    EXPECT_EQ(r->maxOutFrames, 8917u);
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
