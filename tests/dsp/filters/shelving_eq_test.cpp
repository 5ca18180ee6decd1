#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <thread>
#include <vector>

#include "dsp/filters/shelving_design.h"
#include "dsp/filters/shelving_eq.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kRate = 44100;

ShelvingEQ* makeEq(uint32_t frames, uint32_t channels, const std::vector<float>& gains, float level = 0.0f)
{
    return static_cast<ShelvingEQ*>(
        initShelvingEQ(frames, channels, kRate, uint32_t(gains.size()), gains.data(), level));
}

std::vector<float> tapsOf(const ShelvingEQChannel& c)
{
    return std::vector<float>(c.taps(), c.taps() + c.tapCount());
}

// Direct-form FIR with a delay line carried across calls, from the filter's definition.
struct ReferenceFir {
    std::vector<float> d;
    std::vector<float> run(const std::vector<float>& h, float factor, const float* x, size_t n)
    {
        d.resize(h.size() - 1, 0.0f);
        std::vector<float> out(n);
        for (size_t i = 0; i < n; ++i) {
            double acc = h[0] * x[i];
            for (size_t j = 1; j < h.size(); ++j)
                acc += h[j] * d[j - 1];
            for (size_t j = d.size(); j-- > 1;)
                d[j] = d[j - 1];
            if (!d.empty())
                d[0] = x[i];
            out[i] = float(acc) * factor;
        }
        return out;
    }
};

void expectNear(const std::vector<float>& a, const std::vector<float>& b, float tol)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i], tol) << "at " << i;
}

TEST(Radix2Transform, MatchesADirectDft)
{
    for (uint32_t size : {1u, 2u, 4u, 8u, 64u, 512u}) {
        Radix2Transform t;
        t.setSize(size);
        ASSERT_EQ(t.size(), size);
        auto re = testsig::noise(size, size);
        auto im = testsig::noise(size, size + 1);
        std::vector<std::complex<double>> ref(size);
        for (uint32_t k = 0; k < size; ++k)
            for (uint32_t m = 0; m < size; ++m)
                ref[k] += std::complex<double>(re[m], im[m]) * std::polar(1.0, -2.0 * M_PI * k * m / size);
        t.forward(re.data(), im.data());
        for (uint32_t k = 0; k < size; ++k) {
            ASSERT_NEAR(re[k], ref[k].real(), 2e-5 * size) << size << " bin " << k;
            ASSERT_NEAR(im[k], ref[k].imag(), 2e-5 * size) << size << " bin " << k;
        }
    }
    Radix2Transform odd;
    odd.setSize(6);
    EXPECT_EQ(odd.size(), 0u);
}

TEST(ShelvingEQ, WindowDividesByItsLength)
{
    const double expected[] = {0.75, 0.9505, 0.9932};
    const uint32_t ns[] = {1, 2, 5};
    for (int i = 0; i < 3; ++i) {
        const uint32_t taps = 4 * ns[i] - 1;
        std::vector<float> w(taps);
        shelvingWindow(taps, w.data());
        EXPECT_NEAR(w[2 * ns[i] - 1], expected[i], 1e-4) << "n " << ns[i];
        EXPECT_EQ(w[0], 0.0f);
        EXPECT_GT(w[taps - 1], 0.0f);
    }
}

TEST(ShelvingEQ, FlatGainsDelayAndScaleTheInput)
{
    for (uint32_t n : {1u, 2u, 8u}) {
        ShelvingEQ* eq = makeEq(600, 1, std::vector<float>(n, 0.0f));
        ASSERT_NE(eq, nullptr) << n;
        const float scale = eq->channel(0).window()[2 * n - 1];
        auto x = testsig::noise(600, n, 0.5f);
        std::vector<float> y(600);
        eq->processChannel(0, x.data(), y.data(), 600);
        const uint32_t delay = 2 * n - 1;
        for (uint32_t i = 0; i < delay; ++i)
            ASSERT_NEAR(y[i], 0.0f, 1e-6) << n;  // from the silent delay line
        for (uint32_t i = delay; i < 600; ++i)
            ASSERT_NEAR(y[i], scale * x[i - delay], 1e-5) << n;
        termShelvingEQ(eq);
    }
}

TEST(ShelvingEQ, DesignNumbersForTwoGains)
{
    ShelvingEQ* eq = makeEq(64, 2, {0.0f, -6.0f});
    const float r[] = {0.750594f, 0.124703f, 0.0f, 0.124703f};
    const float h[] = {0.0f, 0.0f, 0.076226f, 0.713428f, 0.118528f, 0.0f, 0.023476f};
    for (uint32_t c = 0; c < 2; ++c) {
        ASSERT_EQ(eq->channel(c).tapCount(), 7u);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(eq->channel(c).response()[k], r[k], 2e-6) << k;
        for (int k = 0; k < 7; ++k)
            EXPECT_NEAR(eq->channel(c).taps()[k], h[k], 2e-6) << k;
    }
    // The same taps from gain changes on a flat design.
    ShelvingEQ* flat = makeEq(64, 2, {0.0f, 0.0f});
    ASSERT_EQ(setShelvingEQGain(flat, 1, -6.0f), 1);
    expectNear(tapsOf(flat->channel(1)), tapsOf(eq->channel(1)), 1e-7f);
    EXPECT_EQ(flat->gain(1), -6.0f);
    termShelvingEQ(eq);
    termShelvingEQ(flat);
}

TEST(ShelvingEQ, FiltersLikeTheDirectFormAcrossUnevenBlocks)
{
    const std::vector<float> gains = {6.0f, 2.0f, -3.0f, -12.0f, 0.0f, 4.0f, -1.0f, 9.0f};
    ShelvingEQ* eq = makeEq(1000, 1, gains, -2.0f);
    auto x = testsig::noise(1000 + 25 + 13 + 3 + 2 + 1, 99, 0.4f);
    ReferenceFir ref;
    const std::vector<float> h = tapsOf(eq->channel(0));
    const float factor = eq->channel(0).outputFactor();
    size_t pos = 0;
    for (uint32_t len : {1u, 2u, 3u, 13u, 25u, 1000u}) {
        std::vector<float> y(len);
        eq->processChannel(0, x.data() + pos, y.data(), len);
        expectNear(y, ref.run(h, factor, x.data() + pos, len), 2e-5f);
        pos += len;
    }
    // In place, past several internal chunks.
    std::vector<float> buf = testsig::noise(1000, 7, 0.4f);
    auto expected = ref.run(h, factor, buf.data(), buf.size());
    eq->processChannel(0, buf.data(), buf.data(), 1000);
    expectNear(buf, expected, 2e-5f);
    termShelvingEQ(eq);
}

TEST(ShelvingEQ, SettersKeepTheDelayLine)
{
    ShelvingEQ* eq = makeEq(300, 2, {0.0f, -6.0f, 3.0f, 0.0f});
    auto x = testsig::noise(300, 1, 0.3f);
    std::vector<float> y(300);
    ReferenceFir ref;
    ref.run(tapsOf(eq->channel(0)), 1.0f, x.data(), 300);
    eq->processChannel(0, x.data(), y.data(), 300);
    const float last = eq->channel(0).delayed(1);
    const std::vector<float> before = tapsOf(eq->channel(0));

    ASSERT_EQ(setShelvingEQOutputLevel(eq, -6.0f), 1);
    EXPECT_EQ(tapsOf(eq->channel(0)), before);
    EXPECT_EQ(eq->channel(0).delayed(1), last);
    EXPECT_FLOAT_EQ(eq->outputLevel(), -6.0f);
    ASSERT_EQ(setShelvingEQGain(eq, 3, 5.0f), 1);
    EXPECT_NE(tapsOf(eq->channel(0)), before);
    EXPECT_EQ(eq->channel(0).delayed(1), last);
    EXPECT_FLOAT_EQ(eq->channel(0).outputFactor(), float(std::pow(10.0, -0.3)));

    // The next block continues from the old inputs with the new taps and factor.
    eq->processChannel(0, x.data(), y.data(), 300);
    expectNear(y, ref.run(tapsOf(eq->channel(0)), eq->channel(0).outputFactor(), x.data(), 300), 2e-5f);
    // allocBuffers at any rate keeps taps and state too.
    eq->allocBuffers(600, 2, 48000);
    EXPECT_EQ(eq->channel(0).delayed(1), x[299]);
    termShelvingEQ(eq);
}

TEST(ShelvingEQ, Pcm16MonoAndPartialFrames)
{
    ShelvingEQ* mono = makeEq(256, 1, {1.0f, 2.0f});
    auto in = testsig::noisePcm16(256, 4, 9000);
    std::vector<int16_t> out(256, 321);
    ASSERT_EQ(doShelvingEQ(mono, in.data(), out.data(), 255 * 2 + 1), 1);
    EXPECT_EQ(out[255], 321);
    EXPECT_EQ(mono->channel(1).delayed(1), 0.0f);  // channel 1 never runs
    EXPECT_NE(mono->channel(0).delayed(1), 0.0f);
    termShelvingEQ(mono);

    ShelvingEQ* a = makeEq(128, 2, {0.0f, -3.0f, 6.0f, 0.0f});
    ShelvingEQ* b = makeEq(128, 2, {0.0f, -3.0f, 6.0f, 0.0f});
    auto st = testsig::noisePcm16(256, 5, 9000);
    std::vector<int16_t> o1(256, 321), o2 = st;
    ASSERT_EQ(doShelvingEQ(a, st.data(), o1.data(), 256 * 2 - 2), 1);
    EXPECT_EQ(o1[254], 321);
    ASSERT_EQ(doShelvingEQ(b, o2.data(), o2.data(), 256 * 2 - 2), 1);
    for (size_t i = 0; i < 254; ++i)
        ASSERT_EQ(o1[i], o2[i]);
    EXPECT_EQ(doShelvingEQ(a, st.data(), o1.data(), 128 * 4 + 4), 0);
    EXPECT_EQ(doShelvingEQ(a, st.data(), nullptr, 4), 0);
    termShelvingEQ(a);
    termShelvingEQ(b);
}

TEST(ShelvingEQ, InitAndSettersRejectWhatTheyCannotRun)
{
    const std::vector<float> g(2048, 0.0f);
    for (uint32_t n : {0u, 3u, 5u, 6u, 2048u})
        EXPECT_EQ(initShelvingEQ(64, 1, kRate, n, g.data(), 0.0f), nullptr) << n;
    EXPECT_EQ(initShelvingEQ(64, 1, kRate, 2, nullptr, 0.0f), nullptr);
    EXPECT_EQ(initShelvingEQ(0, 1, kRate, 2, g.data(), 0.0f), nullptr);
    EXPECT_EQ(initShelvingEQ(64, 3, kRate, 2, g.data(), 0.0f), nullptr);
    EXPECT_EQ(initShelvingEQ(64, 1, 0, 2, g.data(), 0.0f), nullptr);
    void* h = initShelvingEQ(64, 1, kRate, 1024, g.data(), 0.0f);
    EXPECT_NE(h, nullptr);
    termShelvingEQ(h);

    ShelvingEQ* eq = makeEq(64, 1, {0.0f, 0.0f, 0.0f, 0.0f});
    const std::vector<float> before = tapsOf(eq->channel(0));
    EXPECT_EQ(setShelvingEQGain(eq, 4, -6.0f), 0);
    EXPECT_EQ(setShelvingEQGain(eq, 0xFFFFFFFFu, -6.0f), 0);
    EXPECT_EQ(tapsOf(eq->channel(0)), before);
    EXPECT_EQ(termShelvingEQ(nullptr), 0);
    termShelvingEQ(eq);
}

TEST(ShelvingEQ, DesignsOfDifferentSizesDoNotDisturbEachOther)
{
    // Each equaliser owns its transform tables: designing, and destroying, equalisers of
    // other sizes on other threads leaves every design exact.
    const std::vector<float> small = {0.0f, -6.0f};
    const std::vector<float> large = {3.0f, -3.0f, 6.0f, 0.0f, 1.0f, 2.0f, -9.0f, 4.0f};
    ShelvingEQ* refSmall = makeEq(64, 1, small);
    ShelvingEQ* refLarge = makeEq(64, 1, large);
    auto worker = [&](const std::vector<float>& gains, const ShelvingEQ* ref, bool* ok) {
        *ok = true;
        for (int i = 0; i < 200; ++i) {
            std::vector<float> flat(gains.size(), 0.0f);
            ShelvingEQ* eq = makeEq(64, 1, flat);
            for (uint32_t b = 0; b < gains.size(); ++b)
                setShelvingEQGain(eq, b, gains[b]);
            *ok = *ok && tapsOf(eq->channel(0)) == tapsOf(ref->channel(0));
            termShelvingEQ(eq);
        }
    };
    bool ok1 = false, ok2 = false;
    std::thread t1(worker, small, refSmall, &ok1);
    std::thread t2(worker, large, refLarge, &ok2);
    t1.join();
    t2.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);
    termShelvingEQ(refSmall);
    termShelvingEQ(refLarge);
}

}  // namespace
