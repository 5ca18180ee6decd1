#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <xmmintrin.h>

#include "dsp/filters/graphic_eq.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kRate = 44100;

const std::vector<GraphicEQBandParams> kBands = {
    {60.0f, 3.0f, 0.9f, 0.995f},
    {1000.0f, -6.0f, 0.9f, 0.99f},
    {8000.0f, 0.0f, 0.8f, 0.97f},
};

// Direct reading of the equaliser's definition: each band's resonator over the same input,
// weighted by gain x normaliser, summed, times the master factor.
std::vector<float> reference(const std::vector<GraphicEQBandParams>& bands, float masterDb, const std::vector<float>& x,
                             int32_t rate = kRate)
{
    std::vector<float> out(x.size(), 0.0f);
    for (const auto& p : bands) {
        const GraphicEQBandDesign d = designGraphicEQBand(p.frequency, p.zeroRadius, p.poleRadius, rate);
        const float w8 = float(std::pow(10.0, 0.05 * p.gain)) * d.normaliser;
        float s1 = 0, s2 = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            const float w = x[i] + d.a1 * s1 + d.a2 * s2;
            out[i] += w8 * (d.b0 * w + d.b1 * s1 + d.b2 * s2);
            s2 = s1;
            s1 = w;
        }
    }
    for (float& v : out)
        v *= float(std::pow(10.0, 0.05 * masterDb));
    return out;
}

GraphicEQ* makeEq(uint32_t frames, uint32_t channels, float masterDb = 0.0f,
                  const std::vector<GraphicEQBandParams>& bands = kBands)
{
    return static_cast<GraphicEQ*>(
        initGraphicEQ(frames, channels, kRate, uint32_t(bands.size()), bands.data(), masterDb));
}

void expectNear(const std::vector<float>& a, const std::vector<float>& b, float tol)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i], tol) << "at " << i;
}

TEST(GraphicEQ, BandDesignNumbers)
{
    const GraphicEQBandDesign d = designGraphicEQBand(1000.0f, 0.9f, 0.99f, 44100);
    EXPECT_NEAR(d.a1, 1.959938, 1e-6);
    EXPECT_NEAR(d.a2, -0.980100, 1e-6);
    EXPECT_FLOAT_EQ(d.b0, 1.0f);
    EXPECT_NEAR(d.b1, -1.781761, 1e-6);
    EXPECT_NEAR(d.b2, 0.81, 1e-7);
    EXPECT_NEAR(d.normaliser, 72.8588, 1e-3);

    // The export hands callers the same factor, and 0 where there is none to give.
    EXPECT_EQ(getGraphicEQBandNormaliser(44100, 1000.0f, 0.9f, 0.99f), d.normaliser);
    EXPECT_EQ(getGraphicEQBandNormaliser(0, 1000.0f, 0.9f, 0.99f), 0.0f);
    EXPECT_EQ(getGraphicEQBandNormaliser(768001, 1000.0f, 0.9f, 0.99f), 0.0f);
    EXPECT_EQ(getGraphicEQBandNormaliser(44100, 0.0f, 1.0f, 0.5f), 0.0f);  // a zero on the point measured
    EXPECT_EQ(getGraphicEQBandNormaliser(44100, NAN, 0.9f, 0.99f), 0.0f);
}

TEST(GraphicEQ, OutputIsTheWeightedSumOfBandsTimesMaster)
{
    auto x = testsig::noise(3000, 17, 0.3f);
    for (float master : {0.0f, -6.0f}) {
        GraphicEQ* eq = makeEq(3000, 1, master);
        std::vector<float> out(x.size());
        EXPECT_EQ(eq->processChannel(0, x.data(), out.data(), uint32_t(x.size())), x.size());
        expectNear(out, reference(kBands, master, x), 2e-4f);
        termGraphicEQ(eq);
    }
    // All gains at 0 dB: each band is weighted by its normaliser alone.
    std::vector<GraphicEQBandParams> flat = kBands;
    for (auto& b : flat)
        b.gain = 0.0f;
    GraphicEQ* eq = makeEq(3000, 1, 0.0f, flat);
    for (uint32_t k = 0; k < 3; ++k)
        EXPECT_EQ(eq->bank(0).band(k).weight, eq->bank(0).band(k).design.normaliser);
    termGraphicEQ(eq);
}

TEST(GraphicEQ, GainChangesKeepTheFilterState)
{
    const std::vector<GraphicEQBandParams> one = {{500.0f, 0.0f, 0.9f, 0.99f}};
    auto x = testsig::noise(2000, 5, 0.2f);
    GraphicEQ* steady = makeEq(1000, 1, 0.0f, one);
    GraphicEQ* changed = makeEq(1000, 1, 0.0f, one);
    std::vector<float> a(2000), b(2000);
    steady->processChannel(0, x.data(), a.data(), 1000);
    steady->processChannel(0, x.data() + 1000, a.data() + 1000, 1000);
    changed->processChannel(0, x.data(), b.data(), 1000);
    ASSERT_EQ(setGraphicEQGain(changed, 0, 6.0f), 1);
    ASSERT_EQ(setGraphicEQMasterGain(changed, -3.0f), 1);
    changed->processChannel(0, x.data() + 1000, b.data() + 1000, 1000);
    // The band is linear in its weight: the second block is the steady one scaled, no restart.
    const float scale = float(std::pow(10.0, 0.05 * 3.0));
    for (size_t i = 0; i < 1000; ++i)
        ASSERT_EQ(a[i], b[i]);
    for (size_t i = 1000; i < 2000; ++i)
        ASSERT_NEAR(b[i], a[i] * scale, 1e-5f + 1e-5f * std::fabs(a[i]));
    EXPECT_FLOAT_EQ(changed->bandParams(0).gain, 6.0f);
    EXPECT_FLOAT_EQ(changed->masterGain(), -3.0f);
    termGraphicEQ(steady);
    termGraphicEQ(changed);
}

TEST(GraphicEQ, RemakeKeepsGainAndStateAndChecksTheIndex)
{
    GraphicEQ* eq = makeEq(256, 2);
    auto x = testsig::noise(256, 8, 0.2f);
    std::vector<float> out(256);
    eq->processChannel(0, x.data(), out.data(), 256);
    const float s1 = eq->bank(0).band(2).s1;
    const float weightBefore = eq->bank(0).band(2).gain;
    EXPECT_EQ(remakeGraphicEQBand(eq, 3, 100.0f, 0.5f, 0.5f), 0);
    EXPECT_EQ(setGraphicEQGain(eq, 3, 1.0f), 0);
    EXPECT_FLOAT_EQ(eq->bandParams(2).frequency, 8000.0f);
    ASSERT_EQ(remakeGraphicEQBand(eq, 2, 4000.0f, 0.7f, 0.98f), 1);
    const GraphicEQBandDesign d = designGraphicEQBand(4000.0f, 0.7f, 0.98f, kRate);
    for (uint32_t c = 0; c < 2; ++c) {
        const GraphicEQBand& b = eq->bank(c).band(2);
        EXPECT_EQ(b.design.a1, d.a1);
        EXPECT_EQ(b.design.normaliser, d.normaliser);
        EXPECT_FLOAT_EQ(b.weight, d.normaliser * weightBefore);
    }
    EXPECT_EQ(eq->bank(0).band(2).s1, s1);
    EXPECT_FLOAT_EQ(eq->bandParams(2).frequency, 4000.0f);
    EXPECT_FLOAT_EQ(eq->bandParams(2).zeroRadius, 0.7f);
    EXPECT_FLOAT_EQ(eq->bandParams(2).poleRadius, 0.98f);
    termGraphicEQ(eq);
}

TEST(GraphicEQ, SameRateResizingKeepsStateNewRateRedesigns)
{
    auto x = testsig::noise(1500, 21, 0.25f);
    GraphicEQ* whole = makeEq(1500, 1);
    GraphicEQ* split = makeEq(500, 1);
    std::vector<float> a(1500), b(1500);
    whole->processChannel(0, x.data(), a.data(), 1500);
    split->processChannel(0, x.data(), b.data(), 500);
    split->allocBuffers(1000, 1, kRate);
    split->processChannel(0, x.data() + 500, b.data() + 500, 1000);
    EXPECT_EQ(a, b);

    split->allocBuffers(1000, 1, 48000);
    EXPECT_EQ(split->outRate, 48000u);
    const GraphicEQBandDesign d = designGraphicEQBand(1000.0f, 0.9f, 0.99f, 48000);
    EXPECT_EQ(split->bank(1).band(1).design.a1, d.a1);
    EXPECT_EQ(split->bank(0).band(1).s1, 0.0f);
    std::vector<float> fresh(1000);
    split->processChannel(0, x.data(), fresh.data(), 1000);
    std::vector<float> head(x.begin(), x.begin() + 1000);
    expectNear(fresh, reference(kBands, 0.0f, head, 48000), 2e-4f);
    termGraphicEQ(whole);
    termGraphicEQ(split);
}

TEST(GraphicEQ, InPlaceMatchesAndSurvivesBlocksLargerThanFirstSized)
{
    auto x = testsig::noise(4000, 3, 0.2f);
    GraphicEQ* a = makeEq(100, 1);
    GraphicEQ* b = makeEq(100, 1);
    // Growing the block at the same rate must grow the in-place work buffer too.
    a->allocBuffers(4000, 1, kRate);
    b->allocBuffers(4000, 1, kRate);
    std::vector<float> out(4000), inPlace = x;
    a->processChannel(0, x.data(), out.data(), 4000);
    b->processChannel(0, inPlace.data(), inPlace.data(), 4000);
    EXPECT_EQ(out, inPlace);
    termGraphicEQ(a);
    termGraphicEQ(b);
}

TEST(GraphicEQ, Pcm16BlocksMonoAndPartialFrames)
{
    GraphicEQ* mono = makeEq(512, 1);
    auto in = testsig::noisePcm16(513, 12, 8000);
    std::vector<int16_t> out(513, 777);
    ASSERT_EQ(doGraphicEQ(mono, in.data(), out.data(), 511 * 2 + 1), 1);  // a stray odd byte is ignored
    EXPECT_EQ(out[511], 777);
    EXPECT_EQ(mono->bank(1).band(0).s1, 0.0f);  // bank 1 designed but never run
    EXPECT_NE(mono->bank(0).band(0).s1, 0.0f);
    termGraphicEQ(mono);

    GraphicEQ* stereo = makeEq(256, 2);
    GraphicEQ* twin = makeEq(256, 2);
    auto st = testsig::noisePcm16(512, 13, 8000);
    std::vector<int16_t> o1(513, 777), o2 = st;
    ASSERT_EQ(doGraphicEQ(stereo, st.data(), o1.data(), 512 * 2 - 2), 1);  // last frame incomplete
    EXPECT_EQ(o1[510], 777);
    ASSERT_EQ(doGraphicEQ(twin, o2.data(), o2.data(), 512 * 2 - 2), 1);  // in place
    for (size_t i = 0; i < 510; ++i)
        ASSERT_EQ(o1[i], o2[i]);
    EXPECT_EQ(doGraphicEQ(stereo, st.data(), o1.data(), 256 * 4 + 4), 0);  // more than sized
    EXPECT_EQ(doGraphicEQ(stereo, nullptr, o1.data(), 4), 0);
    EXPECT_EQ(doGraphicEQ(stereo, st.data(), o1.data(), 0), 1);
    termGraphicEQ(stereo);
    termGraphicEQ(twin);
}

TEST(GraphicEQ, InitRejectsWhatItCannotRun)
{
    const GraphicEQBandParams* b = kBands.data();
    EXPECT_EQ(initGraphicEQ(256, 1, kRate, 0, b, 0.0f), nullptr);
    EXPECT_EQ(initGraphicEQ(0, 1, kRate, 3, b, 0.0f), nullptr);
    EXPECT_EQ(initGraphicEQ(256, 0, kRate, 3, b, 0.0f), nullptr);
    EXPECT_EQ(initGraphicEQ(256, 3, kRate, 3, b, 0.0f), nullptr);
    EXPECT_EQ(initGraphicEQ(256, 1, kRate, 3, nullptr, 0.0f), nullptr);
    EXPECT_EQ(initGraphicEQ(256, 1, 0, 3, b, 0.0f), nullptr);
    EXPECT_EQ(initGraphicEQ(256, 1, kRate, GraphicEQ::kMaxBands + 1, b, 0.0f), nullptr);
    EXPECT_EQ(initGraphicEQ(0x80000000u, 2, kRate, 3, b, 0.0f), nullptr);
    EXPECT_EQ(termGraphicEQ(nullptr), 0);
}

TEST(GraphicEQ, UnstableBandsGiveBoundedPcm)
{
    // Radii of 1 or more are designed as passed; the output saturates instead of misbehaving.
    const std::vector<GraphicEQBandParams> wild = {{1000.0f, 200.0f, 3.0f, 1.5f}, {30000.0f, 0.0f, 0.9f, 0.99f}};
    GraphicEQ* eq = makeEq(4096, 2, 0.0f, wild);
    auto in = testsig::noisePcm16(8192, 1);
    std::vector<int16_t> out(8192);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(doGraphicEQ(eq, in.data(), out.data(), 8192 * 2), 1);
    termGraphicEQ(eq);
}

}  // namespace

namespace {

TEST(GraphicEQ, DecayIntoSilenceNeverLeavesDenormalState)
{
    // Denormal states cost many times a normal operation; they are flushed to zero instead.
    const unsigned csr = _mm_getcsr();
    GraphicEQ* eq = makeEq(64, 1);
    std::vector<float> block(64, 0.0f), out(64);
    block[0] = 1.0f;
    for (int i = 0; i < 4000; ++i) {
        eq->processChannel(0, block.data(), out.data(), 64);
        block[0] = 0.0f;
        for (uint32_t k = 0; k < eq->bandCount(); ++k) {
            ASSERT_NE(std::fpclassify(eq->bank(0).band(k).s1), FP_SUBNORMAL) << "block " << i;
            ASSERT_NE(std::fpclassify(eq->bank(0).band(k).s2), FP_SUBNORMAL) << "block " << i;
        }
    }
    EXPECT_EQ(eq->bank(0).band(0).s1, 0.0f);
    // The caller's floating-point mode is restored (the low six bits are sticky status flags).
    EXPECT_EQ(_mm_getcsr() & ~0x3Fu, csr & ~0x3Fu);
    termGraphicEQ(eq);
}

}  // namespace
