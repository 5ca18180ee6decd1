#include <gtest/gtest.h>

#include <vector>

#include "dsp/filters/iir_filter.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kRate = 44100;

// Amplitude ratio of a tone after the filter, measured on the settled second half.
double toneGain(void* h, double freq, uint32_t channels = 1)
{
    auto in = testsig::sinePcm16(freq, kRate, 8192, channels, 10000.0);
    std::vector<int16_t> out(in.size());
    EXPECT_EQ(doIirFilter(h, in.data(), out.data(), uint32_t(in.size() * 2)), 1);
    const size_t half = in.size() / 2;
    return testsig::toneAmplitudePcm16(out.data() + half, (out.size() - half) / channels, freq, kRate, channels)
        / testsig::toneAmplitudePcm16(in.data() + half, (in.size() - half) / channels, freq, kRate, channels);
}

TEST(IirFilter, KindOneIsHighPassAnyOtherKindLowPass)
{
    for (int kind : {0, 1, 2, -7}) {
        void* h = initIirFilter(8192, 1, kRate, 4, 3000.0f, kind);
        ASSERT_NE(h, nullptr);
        const double low = toneGain(h, 300.0);
        termIirFilter(h);
        h = initIirFilter(8192, 1, kRate, 4, 3000.0f, kind);
        const double high = toneGain(h, 12000.0);
        termIirFilter(h);
        if (kind == 1) {
            EXPECT_LT(low, 0.01) << kind;
            EXPECT_GT(high, 0.85) << kind;
        } else {
            EXPECT_GT(low, 0.85) << kind;
            EXPECT_LT(high, 0.01) << kind;
        }
    }
}

TEST(IirFilter, AttenuatesByTheDesignedAmount)
{
    void* h = initIirFilter(8192, 2, kRate, 3, 1000.0f, 0);
    ASSERT_NE(h, nullptr);
    const double designed = static_cast<IirFilter*>(h)->cascade(0).magnitudeAt(5000.0);
    EXPECT_LT(designed, 0.02);
    EXPECT_NEAR(toneGain(h, 5000.0, 2), designed, 0.002);
    termIirFilter(h);
}

TEST(IirFilter, ChannelsAreIndependentAndMonoRunsOneCascade)
{
    void* h = initIirFilter(1024, 2, kRate, 2, 2000.0f, 0);
    std::vector<int16_t> in(2048), out(2048);
    for (size_t i = 0; i < 1024; ++i)
        in[2 * i] = int16_t(i % 7 == 0 ? 20000 : -3000);  // right channel silent
    ASSERT_EQ(doIirFilter(h, in.data(), out.data(), 4096), 1);
    for (size_t i = 0; i < 1024; ++i)
        ASSERT_EQ(out[2 * i + 1], 0);
    termIirFilter(h);

    h = initIirFilter(1024, 1, kRate, 2, 2000.0f, 0);
    auto* f = static_cast<IirFilter*>(h);
    std::vector<float> probe(4, 1.0f), probeOut(4);
    ASSERT_EQ(doIirFilter(h, in.data(), out.data(), 2048), 1);
    // Cascade 1 never ran: from its cleared state a unit step gives the fresh step response.
    ChebyshevCascade fresh;
    fresh.setOrder(2, 0);
    fresh.design(float(kRate), 2000.0f);
    std::vector<float> expected(4);
    fresh.process(probe.data(), expected.data(), 4);
    f->processChannel(1, probe.data(), probeOut.data(), 4);
    EXPECT_EQ(probeOut, expected);
    termIirFilter(h);
}

TEST(IirFilter, StateContinuesAcrossBlocksAndSameRateResizing)
{
    auto in = testsig::noisePcm16(2 * 3000, 9, 12000);
    void* whole = initIirFilter(3000, 2, kRate, 5, 4000.0f, 1);
    void* split = initIirFilter(1000, 2, kRate, 5, 4000.0f, 1);
    std::vector<int16_t> a(in.size()), b(in.size());
    ASSERT_EQ(doIirFilter(whole, in.data(), a.data(), 12000), 1);
    ASSERT_EQ(doIirFilter(split, in.data(), b.data(), 4000), 1);
    EXPECT_EQ(doIirFilter(split, in.data() + 2000, b.data() + 2000, 8000), 0);  // larger than sized
    static_cast<IirFilter*>(split)->allocBuffers(2000, 2, kRate);
    ASSERT_EQ(doIirFilter(split, in.data() + 2000, b.data() + 2000, 8000), 1);
    EXPECT_EQ(a, b);

    // A new rate redesigns and starts from cleared state: a block of zeros stays zero.
    auto* f = static_cast<IirFilter*>(split);
    f->allocBuffers(2000, 2, 22050);
    EXPECT_FLOAT_EQ(f->cascade(1).sampleRate(), 22050.0f);
    EXPECT_EQ(f->outRate, 22050u);
    std::vector<int16_t> zeros(4000, 0), out(4000, 1);
    ASSERT_EQ(doIirFilter(split, zeros.data(), out.data(), 8000), 1);
    EXPECT_EQ(out, zeros);
    termIirFilter(whole);
    termIirFilter(split);
}

TEST(IirFilter, OrderZeroPassesAndPartialFramesAreIgnored)
{
    void* h = initIirFilter(64, 2, kRate, 0, 1000.0f, 0);
    ASSERT_NE(h, nullptr);
    auto in = testsig::noisePcm16(129, 4);
    std::vector<int16_t> out(129, 555);
    ASSERT_EQ(doIirFilter(h, in.data(), out.data(), 129 * 2 - 2), 1);  // 64 frames and one stray sample
    for (size_t i = 0; i < 128; ++i)
        ASSERT_NEAR(out[i], in[i], 1);  // 1/32767 scaling round trip truncates by at most one step
    EXPECT_EQ(out[128], 555);
    // In place.
    std::vector<int16_t> buf(in.begin(), in.begin() + 128);
    ASSERT_EQ(doIirFilter(h, buf.data(), buf.data(), 256), 1);
    for (size_t i = 0; i < 128; ++i)
        ASSERT_NEAR(buf[i], in[i], 1);
    EXPECT_EQ(doIirFilter(h, nullptr, out.data(), 4), 0);
    EXPECT_EQ(doIirFilter(h, in.data(), nullptr, 4), 0);
    EXPECT_EQ(doIirFilter(h, nullptr, nullptr, 0), 1);
    termIirFilter(h);
}

TEST(IirFilter, InitRejectsWhatItCannotRun)
{
    EXPECT_EQ(initIirFilter(64, 1, kRate, -1, 1000.0f, 0), nullptr);
    EXPECT_EQ(initIirFilter(64, 1, kRate, 65, 1000.0f, 0), nullptr);
    EXPECT_EQ(initIirFilter(0, 1, kRate, 2, 1000.0f, 0), nullptr);
    EXPECT_EQ(initIirFilter(64, 0, kRate, 2, 1000.0f, 0), nullptr);
    EXPECT_EQ(initIirFilter(64, 3, kRate, 2, 1000.0f, 0), nullptr);
    EXPECT_EQ(initIirFilter(64, 1, 0, 2, 1000.0f, 0), nullptr);
    EXPECT_EQ(initIirFilter(0xFFFFFFFFu, 1, kRate, 2, 1000.0f, 0), nullptr);
    EXPECT_EQ(termIirFilter(nullptr), 0);
    // Cutoffs outside (0, rate/2) are clamped: the output stays bounded.
    for (float fc : {0.0f, -5.0f, 22050.0f, 1e12f}) {
        void* h = initIirFilter(4096, 1, kRate, 8, fc, 0);
        ASSERT_NE(h, nullptr);
        auto in = testsig::noisePcm16(4096, 2);
        std::vector<int16_t> out(4096);
        EXPECT_EQ(doIirFilter(h, in.data(), out.data(), 8192), 1);
        termIirFilter(h);
    }
}

}  // namespace
