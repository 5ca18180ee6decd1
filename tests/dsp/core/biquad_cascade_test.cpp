#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/core/butterworth_cascade.h"
#include "dsp/core/chebyshev_cascade.h"
#include "support/signal.h"

namespace {

constexpr double kFs = 44100.0;

// Closed-form magnitude of bilinear Butterworth and Chebyshev I low-pass filters, with
// x = tan(pi f / fs) / tan(pi fc / fs): 1/sqrt(1 + x^2N) and 1/sqrt(1 + eps^2 T_N(x)^2); the
// latter sits at the bottom of the ripple band at 0 Hz for even orders.
double butterworthMagnitude(int order, double f, double fc)
{
    const double x = std::tan(M_PI * f / kFs) / std::tan(M_PI * fc / kFs);
    return 1.0 / std::sqrt(1.0 + std::pow(x, 2 * order));
}

double chebyshevMagnitude(int order, double f, double fc, double rippleDb)
{
    const double x = std::tan(M_PI * f / kFs) / std::tan(M_PI * fc / kFs);
    const double t = x <= 1.0 ? std::cos(order * std::acos(x)) : std::cosh(order * std::acosh(x));
    const double eps2 = std::pow(10.0, 0.1 * rippleDb) - 1.0;
    return 1.0 / std::sqrt(1.0 + eps2 * t * t);
}

// Gain of the filter for a tone at f, measured after the transient has died out.
double measuredGain(BiquadCascade& c, double f)
{
    auto in = testsig::sine(f, kFs, 16384);
    std::vector<float> out(in.size());
    c.clearState();
    c.process(in.data(), out.data(), uint32_t(in.size()));
    const size_t settle = 8192;
    return testsig::toneAmplitude(out.data() + settle, out.size() - settle, f, kFs);
}

TEST(BiquadCascade, IdentityBeforeAnyDesignAndAtOrderZero)
{
    auto in = testsig::noise(1000, 7);
    std::vector<float> out(in.size());
    for (int order : {0, 3, 4, -2}) {
        ChebyshevCascade c;
        c.setOrder(order, 0);
        c.process(in.data(), out.data(), uint32_t(in.size()));
        EXPECT_EQ(out, in) << "order " << order;
    }
    ChebyshevCascade zero;
    zero.setOrder(0, 1);
    zero.design(float(kFs), 1000.0f);
    zero.process(in.data(), out.data(), uint32_t(in.size()));
    EXPECT_EQ(out, in);
    EXPECT_EQ(zero.process(in.data(), out.data(), 0), 0u);
}

TEST(BiquadCascade, OddOrderEndsInAFirstOrderSection)
{
    ChebyshevCascade c;
    c.setOrder(5, 1);
    EXPECT_EQ(c.sectionCount(), 3);
    EXPECT_TRUE(c.highPass());
    c.design(float(kFs), 2000.0f);
    EXPECT_FLOAT_EQ(c.cutoff(), float(kFs / 2 - 2000.0));
    EXPECT_EQ(c.section(2).a2, 0.0);
    EXPECT_EQ(c.section(2).b2, 0.0);
    EXPECT_NE(c.section(1).a2, 0.0);
    EXPECT_FLOAT_EQ(c.rippleDb(), 1.0f);
}

TEST(BiquadCascade, ChebyshevGainAtZeroHzSitsAtRippleBottomForEvenOrders)
{
    for (int order = 1; order <= 8; ++order) {
        ChebyshevCascade c;
        c.setOrder(order, 0);
        c.design(float(kFs), 3000.0f);
        const double expected = order % 2 == 0 ? std::pow(10.0, -1.0 / 20.0) : 1.0;
        EXPECT_NEAR(c.magnitudeAt(0.0), expected, 1e-9) << "order " << order;
        // A constant input settles to the same gain.
        std::vector<float> dc(20000, 0.5f), out(dc.size());
        c.process(dc.data(), out.data(), uint32_t(dc.size()));
        EXPECT_NEAR(out.back(), 0.5 * expected, 1e-5) << "order " << order;
    }
}

TEST(BiquadCascade, DesignsMatchTheClosedFormResponses)
{
    const double freqs[] = {0.0, 100.0, 900.0, 1000.0, 1500.0, 4000.0, 15000.0};
    for (int order : {1, 2, 3, 4, 7}) {
        ChebyshevCascade cheb;
        cheb.setOrder(order, 0);
        cheb.designChebyshev(float(kFs), 1000.0f, 0.5f);
        ButterworthCascade butter;
        butter.setOrder(order, 0);
        butter.design(float(kFs), 1000.0f);
        for (double f : freqs) {
            EXPECT_NEAR(cheb.magnitudeAt(f), chebyshevMagnitude(order, f, 1000.0, 0.5), 1e-6)
                << "chebyshev order " << order << " at " << f;
            EXPECT_NEAR(butter.magnitudeAt(f), butterworthMagnitude(order, f, 1000.0), 1e-6)
                << "butterworth order " << order << " at " << f;
        }
    }
}

TEST(BiquadCascade, HighPassMirrorsTheLowPass)
{
    for (int order : {2, 3, 6}) {
        ChebyshevCascade lp, hp;
        lp.setOrder(order, 0);
        hp.setOrder(order, 1);
        lp.design(float(kFs), float(kFs / 2 - 3000.0));
        hp.design(float(kFs), 3000.0f);
        EXPECT_NEAR(hp.magnitudeAt(kFs / 2), lp.magnitudeAt(0.0), 1e-9);
        for (double f : {100.0, 2000.0, 3000.0, 8000.0})
            EXPECT_NEAR(hp.magnitudeAt(f), lp.magnitudeAt(kFs / 2 - f), 1e-9) << f;
        // A high-pass blocks what the low-pass passes.
        EXPECT_LT(hp.magnitudeAt(300.0), 0.01);
        EXPECT_GT(hp.magnitudeAt(10000.0), 0.85);
    }
}

TEST(BiquadCascade, MeasuredResponseAgreesWithTheDesignedSections)
{
    ChebyshevCascade lp;
    lp.setOrder(6, 0);
    lp.design(float(kFs), 2000.0f);
    ButterworthCascade hp;
    hp.setOrder(3, 1);
    hp.design(float(kFs), 5000.0f);
    for (double f : {250.0, 1000.0, 1990.0, 2500.0, 5000.0, 12000.0}) {
        EXPECT_NEAR(measuredGain(lp, f), lp.magnitudeAt(f), 2e-3) << "low-pass at " << f;
        EXPECT_NEAR(measuredGain(hp, f), hp.magnitudeAt(f), 2e-3) << "high-pass at " << f;
    }
}

TEST(BiquadCascade, BlocksFilterAsOneSignalAndProcessAddAdds)
{
    auto in = testsig::noise(1000, 3);
    ChebyshevCascade whole, split, adder;
    for (BiquadCascade* c : {static_cast<BiquadCascade*>(&whole), static_cast<BiquadCascade*>(&split),
                             static_cast<BiquadCascade*>(&adder)}) {
        c->setOrder(5, 0);
        c->design(float(kFs), 4000.0f);
    }
    std::vector<float> a(in.size()), b(in.size());
    whole.process(in.data(), a.data(), uint32_t(in.size()));
    size_t pos = 0;
    for (uint32_t len : {1u, 2u, 3u, 13u, 25u, 956u}) {
        split.process(in.data() + pos, b.data() + pos, len);
        pos += len;
    }
    ASSERT_EQ(pos, in.size());
    EXPECT_EQ(a, b);

    std::vector<float> inPlace = in;
    split.clearState();
    split.process(inPlace.data(), inPlace.data(), uint32_t(in.size()));
    EXPECT_EQ(inPlace, a);

    std::vector<float> zeros(in.size(), 0.0f), offset(in.size(), 0.25f);
    adder.processAdd(in.data(), zeros.data(), uint32_t(in.size()));
    EXPECT_EQ(zeros, a);
    adder.clearState();
    adder.processAdd(in.data(), offset.data(), uint32_t(in.size()));
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_NEAR(offset[i], a[i] + 0.25f, 1e-6);
}

TEST(BiquadCascade, RedesignKeepsStateAndSetOrderClearsIt)
{
    auto in = testsig::noise(400, 11);
    ButterworthCascade ref, redesigned;
    for (BiquadCascade* c : {static_cast<BiquadCascade*>(&ref), static_cast<BiquadCascade*>(&redesigned)}) {
        c->setOrder(4, 0);
        c->design(float(kFs), 1500.0f);
    }
    std::vector<float> a(in.size()), b(in.size());
    ref.process(in.data(), a.data(), 400);
    redesigned.process(in.data(), b.data(), 200);
    redesigned.design(float(kFs), 1500.0f);
    redesigned.process(in.data() + 200, b.data() + 200, 200);
    EXPECT_EQ(a, b);

    redesigned.setOrder(4, 0);  // state and coefficients cleared: identity again
    std::vector<float> zeros(50, 0.0f), out(50, 1.0f);
    redesigned.process(zeros.data(), out.data(), 50);
    EXPECT_EQ(out, zeros);
}

TEST(BiquadCascade, UnusableDesignArgumentsStayStableAndFinite)
{
    auto in = testsig::noise(5000, 5);
    std::vector<float> out(in.size());
    const float cutoffs[] = {0.0f, -100.0f, 22050.0f, 30000.0f, 1e9f};
    for (int kind : {0, 1}) {
        for (float fc : cutoffs) {
            ChebyshevCascade c;
            c.setOrder(6, kind);
            c.design(float(kFs), fc);
            c.process(in.data(), out.data(), uint32_t(in.size()));
            for (float v : out)
                ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 100.0f) << "kind " << kind << " cutoff " << fc;
        }
    }
    ChebyshevCascade c;
    c.setOrder(4, 0);
    c.design(0.0f, 1000.0f);
    c.design(NAN, 1000.0f);
    c.designChebyshev(float(kFs), 1000.0f, NAN);
    c.designChebyshev(float(kFs), 1000.0f, -3.0f);  // ripple clamped to a tiny positive value
    c.process(in.data(), out.data(), uint32_t(in.size()));
    for (float v : out)
        ASSERT_TRUE(std::isfinite(v));
    c.setOrder(1000000, 0);  // clamped, not a huge allocation
    EXPECT_EQ(c.order(), BiquadCascade::kMaxOrder);
}

}  // namespace
