#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dsp/filters/db_table.h"
#include "dsp/filters/fader.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kRate = 44100;

// The gain a unit applies, sample by sample, over frames samples of ones.
std::vector<float> gains(FaderUnit& u, uint32_t frames)
{
    std::vector<float> g(frames, 1.0f);
    u.process(g.data(), g.data(), frames);
    return g;
}

float dbOf(float gain)
{
    return 20.0f * std::log10(gain);
}

TEST(DbTable, CoversMinusToPlusFiftyAndClampsOutside)
{
    const DbTable& t = DbTable::instance();
    EXPECT_FLOAT_EQ(t.lookup(0.0f), 1.0f);
    EXPECT_NEAR(t.lookup(-6.0f), 0.501187, 1e-5);
    EXPECT_NEAR(t.lookup(-25.375f), std::pow(10.0, -25.375 / 20), 1e-6);
    EXPECT_FLOAT_EQ(t.lookup(-50.0f), t[0]);
    EXPECT_NEAR(t[2048], 316.2278f, 1e-3);
    // At and above +50 dB the index used to wrap to the -50 dB end.
    EXPECT_EQ(t.lookup(50.0f), t[2048]);
    EXPECT_EQ(t.lookup(120.0f), t[2048]);
    EXPECT_NEAR(t.lookup(49.99f), t[2048], 0.5f);
    EXPECT_EQ(t.lookup(-80.0f), t[0]);
    EXPECT_EQ(t.lookup(NAN), t[0]);
    EXPECT_EQ(t.lookup(-INFINITY), t[0]);
    EXPECT_EQ(t.lookup(INFINITY), t[2048]);
    // Every entry is the factor of its level rounded to float.
    for (uint32_t i = 0; i <= DbTable::kSteps; ++i)
        ASSERT_EQ(t[i], static_cast<float>(std::pow(10.0, 0.05 * (-50.0 + i * 100.0 / DbTable::kSteps)))) << i;
}

TEST(FaderUnit, RampFallsLinearlyInDbAndHoldsAfter)
{
    FaderUnit u;
    u.setup(kRate, 0.0f);
    EXPECT_EQ(u.toSamples(1.0f), 44100u);  // whole seconds convert exactly
    EXPECT_EQ(u.toSamples(2.0f), 88200u);
    ASSERT_TRUE(u.addAction(1.0f, 2.0f, -20.0f));
    const std::vector<float> g = gains(u, 3 * kRate);
    EXPECT_EQ(g[44099], 1.0f);
    for (uint32_t i = 44100; i < 88200; i += 441)
        ASSERT_NEAR(dbOf(g[i]), -20.0 * (i - 44100) / 44100.0, 0.01) << i;
    EXPECT_NEAR(dbOf(g[88199]), -20.0 * 44099 / 44100, 0.01);
    for (uint32_t i = 88200; i < g.size(); ++i)
        ASSERT_EQ(g[i], g[88199]) << i;
    EXPECT_TRUE(u.schedule().size() == u.firstPending());  // the ramp has run

    // The same ramp in uneven blocks gives the same samples.
    FaderUnit v;
    v.setup(kRate, 0.0f);
    ASSERT_TRUE(v.addAction(1.0f, 2.0f, -20.0f));
    std::vector<float> h;
    for (uint32_t len : {1u, 44098u, 1u, 2u, 13u, 44085u, 1u, 44099u, 1000u}) {
        const std::vector<float> part = gains(v, len);
        h.insert(h.end(), part.begin(), part.end());
    }
    h.resize(g.size(), h.back());
    EXPECT_EQ(g, h);
}

TEST(FaderUnit, PastActionsAreIgnoredAndRampsChain)
{
    FaderUnit u;
    u.setup(kRate, 0.0f);
    gains(u, kRate);
    EXPECT_FALSE(u.addAction(0.5f, 2.0f, -20.0f));  // starts in the past
    EXPECT_FALSE(u.addAction(1.0f, 2.0f, -20.0f));  // starts at the current sample, not after it
    EXPECT_FALSE(u.addAction(3.0f, 2.0f, -20.0f));  // ends before it starts
    EXPECT_TRUE(u.schedule().empty());

    ASSERT_TRUE(u.addAction(2.0f, 3.0f, -20.0f));
    ASSERT_TRUE(u.addAction(4.0f, 5.0f, -10.0f));  // runs from -20, the first one's target
    const std::vector<float> g = gains(u, 5 * kRate);
    EXPECT_NEAR(dbOf(g[int(1.5 * kRate)]), -10.0, 0.01);  // 2.5 s on the stream
    EXPECT_NEAR(dbOf(g[int(2.5 * kRate)]), -20.0, 0.01);  // 3.5 s: held between ramps
    EXPECT_NEAR(dbOf(g[int(3.5 * kRate)]), -15.0, 0.01);  // 4.5 s: half way from -20 to -10
}

TEST(FaderUnit, NewRampTakesOverWhatItMeets)
{
    FaderUnit u;
    u.setup(1000, 0.0f);  // 1000 Hz: seconds * 1000 = samples
    ASSERT_TRUE(u.addAction(1.0f, 3.0f, -20.0f));
    ASSERT_TRUE(u.addAction(4.0f, 5.0f, -30.0f));
    ASSERT_TRUE(u.addAction(6.0f, 8.0f, -40.0f));
    // Meets the first ramp half way, swallows the second and moves the third's start.
    ASSERT_TRUE(u.addAction(2.0f, 7.0f, 0.0f));
    const std::vector<FaderAction>& s = u.schedule();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].start, 1000u);
    EXPECT_EQ(s[0].end, 2000u);
    EXPECT_NEAR(s[0].target, -10.0f, 1e-4);  // where the first ramp was at 2 s
    EXPECT_EQ(s[1].start, 2000u);
    EXPECT_EQ(s[1].end, 7000u);
    EXPECT_EQ(s[2].start, 7000u);
    EXPECT_EQ(s[2].end, 8000u);
    EXPECT_EQ(s[2].target, -40.0f);

    // A ramp strictly inside another splits it: the tail goes on to the old target.
    FaderUnit w;
    w.setup(1000, 0.0f);
    ASSERT_TRUE(w.addAction(1.0f, 5.0f, -40.0f));
    ASSERT_TRUE(w.addAction(2.0f, 3.0f, 0.0f));
    ASSERT_EQ(w.schedule().size(), 3u);
    EXPECT_NEAR(w.schedule()[0].target, -10.0f, 1e-4);
    EXPECT_EQ(w.schedule()[2].start, 3000u);
    EXPECT_EQ(w.schedule()[2].target, -40.0f);
    const std::vector<float> g = gains(w, 6000);
    EXPECT_NEAR(dbOf(g[1500]), -5.0, 0.01);
    EXPECT_NEAR(dbOf(g[2500]), -5.0, 0.01);   // from -10 back towards 0
    EXPECT_NEAR(dbOf(g[4000]), -20.0, 0.01);  // tail: 0 to -40 over 3..5 s
    EXPECT_NEAR(dbOf(g[5500]), -40.0, 0.05);

    // Deleting a range inside a ramp splits it as well, holding the level reached in between.
    FaderUnit d;
    d.setup(1000, 0.0f);
    ASSERT_TRUE(d.addAction(1.0f, 5.0f, -40.0f));
    ASSERT_TRUE(d.deleteRange(2.0f, 3.0f));
    ASSERT_EQ(d.schedule().size(), 2u);
    const std::vector<float> k = gains(d, 6000);
    EXPECT_NEAR(dbOf(k[2500]), -10.0, 0.02);
    EXPECT_NEAR(dbOf(k[4000]), -25.0, 0.02);
    ASSERT_TRUE(d.deleteRange(10.0f, 20.0f));  // nothing there: nothing changes
}

TEST(FaderUnit, DeletingTheWholeScheduleDisarmsIt)
{
    FaderUnit u;
    u.setup(1000, -6.0f);
    ASSERT_TRUE(u.addAction(1.0f, 2.0f, -20.0f));
    ASSERT_TRUE(u.deleteRange(0.5f, 3.0f));
    EXPECT_TRUE(u.schedule().empty());
    const std::vector<float> g = gains(u, 3000);
    EXPECT_EQ(g.front(), g.back());
    EXPECT_NEAR(dbOf(g.back()), -6.0, 0.01);
}

TEST(FaderUnit, HostileTimesAreRejectedOrClamped)
{
    FaderUnit u;
    u.setup(kRate, 0.0f);
    EXPECT_FALSE(u.addAction(NAN, 1.0f, -10.0f));
    EXPECT_FALSE(u.addAction(-1.0f, 1.0f, -10.0f));
    EXPECT_FALSE(u.addAction(1.0f, NAN, -10.0f));
    EXPECT_FALSE(u.addAction(1e30f, INFINITY, -10.0f));  // both clamp to the same far sample
    EXPECT_TRUE(u.addAction(1e6f, 1e30f, -10.0f));
    EXPECT_TRUE(u.addAction(0.1f, 0.2f, NAN));
    EXPECT_TRUE(u.addAction(0.3f, 0.4f, 1e9f));
    for (float g : gains(u, kRate))
        ASSERT_TRUE(std::isfinite(g) && g >= 0.0f && g <= 316.3f);

    FaderUnit z;
    z.setup(0, 0.0f);  // no rate: every time is sample 0, so nothing can be scheduled
    EXPECT_FALSE(z.addAction(1.0f, 2.0f, -10.0f));
    EXPECT_EQ(gains(z, 10).back(), 1.0f);
}

TEST(CrossFader, CurveAtTheNamedPositions)
{
    const DbTable& db = DbTable::instance();
    struct Case {
        float position, gainA, gainB;
    } cases[] = {
        {1.0f, 1.0f, 0.0f},
        {-1.0f, 0.0f, 1.0f},
        {0.0f, db.lookup(-1.0f), db.lookup(-1.0f)},
        {0.5f, 1.0f, db.lookup(-25.375f)},
        {-0.5f, db.lookup(-25.375f), 1.0f},
        {0.025f, db.lookup(-0.5f), db.lookup(-1.0f - 0.025f * 48.75f)},
        {0.81f, 1.0f, 0.0f},
        {-0.81f, 0.0f, 1.0f},
    };
    for (const Case& c : cases) {
        CrossFaderUnit u;
        u.setup(kRate, c.position);
        EXPECT_NEAR(u.gainA(), c.gainA, 1e-6) << c.position;
        EXPECT_NEAR(u.gainB(), c.gainB, 1e-6) << c.position;
    }
}

TEST(CrossFader, CurveChangesApplyFromTheNextRamp)
{
    CrossFaderUnit u;
    u.setup(1000, 0.0f);
    const float before = u.gainA();
    u.setCurve(-6.0f, -30.0f, 0.0f, 0.5f);
    EXPECT_EQ(u.gainA(), before);
    ASSERT_TRUE(u.addAction(0.001f, 0.1f, 0.0f));
    std::vector<float> a(200, 1.0f), b(200, 0.0f), out(200);
    u.process(a.data(), b.data(), out.data(), 200);
    EXPECT_NEAR(out[150], DbTable::instance().lookup(-6.0f), 1e-6);

    // Zero width and edge: hard switching with no division by zero.
    u.setCurve(-3.0f, -60.0f, 0.0f, 0.0f);
    ASSERT_TRUE(u.addAction(0.3f, 0.4f, 0.5f));
    std::vector<float> o2(300);
    u.process(a.data(), b.data(), o2.data(), 200);
    u.process(a.data(), b.data(), o2.data(), 200);
    EXPECT_EQ(u.gainA(), 1.0f);
    EXPECT_EQ(u.gainB(), 0.0f);
}

// From A (+1) to B (-1) from sample 5: a one-sample ramp, or times that fall on one sample, step
// there at that very sample; a long ramp passes the curve's edge (-0.8) on its way. At 1000 Hz,
// seconds x 1000 = samples.
TEST(CrossFader, EveryRampReachesItsPositionFromOneSampleUp)
{
    struct Case {
        float start, end;
        uint32_t reached;  // first sample at B alone
    } const cases[] = {
        {0.0055f, 0.0055f, 5},
        {0.0055f, 0.0058f, 5},
        {0.0055f, 0.0065f, 5},
        {0.0055f, 0.1005f, 91},
    };
    for (const Case& c : cases) {
        CrossFaderUnit u;
        u.setup(1000, 1.0f);
        ASSERT_TRUE(u.addAction(c.start, c.end, -1.0f)) << c.start << ".." << c.end;
        std::vector<float> a(200, 1.0f), b(200, 0.0f), out(200);
        u.process(a.data(), b.data(), out.data(), 200);
        for (uint32_t i = 0; i < 200; ++i)
            ASSERT_EQ(out[i], i < 5 ? 1.0f : i < c.reached ? out[i] : 0.0f) << c.start << ".." << c.end << " at " << i;
        EXPECT_EQ(u.gainB(), 1.0f);
    }
}

TEST(FaderExports, CrossFadeSelectsAndMixesTheInputs)
{
    const uint32_t frames = 1000;
    const std::vector<int16_t> a = testsig::sinePcm16(441, kRate, frames, 2, 10000);
    const std::vector<int16_t> b = testsig::sinePcm16(1323, kRate, frames, 2, 10000);
    std::vector<int16_t> out(a.size());

    void* f = initFader(frames, 2, kRate, 1.0f, -6.0f, 0.0f);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(doCrossFade(f, a.data(), b.data(), out.data(), frames * 4), 1);
    EXPECT_NEAR(testsig::toneAmplitudePcm16(out.data(), frames, 441, kRate, 2), 5012, 30);  // A after -6 dB
    EXPECT_LT(testsig::toneAmplitudePcm16(out.data(), frames, 1323, kRate, 2), 2);
    termFader(f);

    f = initFader(frames, 2, kRate, -1.0f, -6.0f, 0.0f);
    ASSERT_EQ(doCrossFade(f, a.data(), b.data(), out.data(), frames * 4), 1);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_NEAR(out[i], b[i], 1) << i;
    termFader(f);

    f = initFader(frames, 1, kRate, 0.0f, 0.0f, 0.0f);
    const std::vector<int16_t> monoA = testsig::sinePcm16(441, kRate, frames, 1, 10000);
    const std::vector<int16_t> monoB = testsig::sinePcm16(1323, kRate, frames, 1, 10000);
    ASSERT_EQ(doCrossFade(f, monoA.data(), monoB.data(), out.data(), frames * 2), 1);
    const double centre = 10000 * DbTable::instance().lookup(-1.0f);
    EXPECT_NEAR(testsig::toneAmplitudePcm16(out.data(), frames, 441, kRate), centre, 30);
    EXPECT_NEAR(testsig::toneAmplitudePcm16(out.data(), frames, 1323, kRate), centre, 30);
    termFader(f);
}

// The float cross-fade is the 16-bit one without its conversions: the same schedules give the
// same mix, whatever the block sizes, and it refuses what the 16-bit one refuses.
TEST(FaderExports, FloatCrossFadeFollowsTheSixteenBitOneOverAnyBlocks)
{
    const uint32_t frames = 6000, block = 700;
    for (const uint32_t channels : {1u, 2u}) {
        const std::vector<int16_t> a = testsig::noisePcm16(frames * channels, 3, 12000);
        const std::vector<int16_t> b = testsig::noisePcm16(frames * channels, 4, 12000);
        void* wide = initFader(block, channels, kRate, 1.0f, 0.0f, -3.0f);
        void* narrow = initFader(block, channels, kRate, 1.0f, 0.0f, -3.0f);
        for (void* f : {wide, narrow}) {
            ASSERT_NE(f, nullptr);
            ASSERT_EQ(setCrossFaderAction(f, 0.01f, 0.1f, -1.0f), 1);
            ASSERT_EQ(setFaderAction(f, 0, 0.02f, 0.05f, -12.0f), 1);
        }
        std::vector<int16_t> want(a.size());
        for (uint32_t at = 0; at < frames; at += block)
            ASSERT_EQ(doCrossFade(narrow, &a[at * channels], &b[at * channels], &want[at * channels],
                                  std::min(block, frames - at) * channels * 2),
                      1);
        const std::vector<float> fa(a.begin(), a.end()), fb(b.begin(), b.end());
        std::vector<float> got(fa.size());
        for (uint32_t at = 0, step = 1; at < frames; at += step, step = step * 3 % block + 1) {
            step = std::min(step, frames - at);
            ASSERT_EQ(doCrossFadeFloat(wide, &fa[at * channels], &fb[at * channels], &got[at * channels], step), 1);
        }
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_NEAR(got[i], want[i], 1.5) << channels << " channels, sample " << i;

        std::vector<float> out(size_t(block + 1) * channels, 7.0f);
        EXPECT_EQ(doCrossFadeFloat(wide, fa.data(), fb.data(), out.data(), block + 1), 0);  // larger than sized
        EXPECT_EQ(doCrossFadeFloat(wide, nullptr, fb.data(), out.data(), 4), 0);
        EXPECT_EQ(doCrossFadeFloat(wide, fa.data(), fb.data(), nullptr, 4), 0);
        EXPECT_EQ(doCrossFadeFloat(nullptr, fa.data(), fb.data(), out.data(), 4), 0);
        EXPECT_EQ(out[0], 7.0f);
        EXPECT_EQ(doCrossFadeFloat(wide, nullptr, nullptr, nullptr, 0), 1);
        termFader(wide);
        termFader(narrow);
    }
}

TEST(FaderExports, BadCallsAreRefusedAndChangeNothing)
{
    void* f = initFader(64, 2, kRate, 0.0f, 0.0f, 0.0f);
    ASSERT_NE(f, nullptr);
    std::vector<int16_t> in(128, 1000), out(128, 7);
    EXPECT_EQ(doFade(f, 2, in.data(), out.data(), 256), 0);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(setFaderAction(f, 2, 1.0f, 2.0f, -10.0f), 0);
    EXPECT_EQ(delFaderAction(f, 5, 1.0f, 2.0f), 0);
    const Fader* fader = static_cast<Fader*>(f);
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_TRUE(fader->unit(i).schedule().empty());
    EXPECT_EQ(doFade(f, 0, in.data(), out.data(), 65 * 4), 0);  // larger than sized for
    EXPECT_EQ(doFade(f, 0, nullptr, out.data(), 4), 0);
    EXPECT_EQ(doFade(f, 1, in.data(), out.data(), 0), 1);
    EXPECT_EQ(setFaderAction(f, 1, 0.0f, 2.0f, -10.0f), 1);  // rejected time, still handled
    EXPECT_EQ(termChorus(f), 0);                             // another family's export leaves it alone
    EXPECT_EQ(doFade(f, 0, in.data(), out.data(), 256), 1);
    EXPECT_NEAR(out[0], 1000, 1);  // unity gain, less the truncation back to 16 bits
    EXPECT_EQ(termFader(nullptr), 0);
    EXPECT_EQ(termFader(f), 1);
}

TEST(Fader, SettingUpAgainRestartsTheClocksAndKeepsTheScheduleRunning)
{
    Fader f;
    f.setup(kRate, 1, kRate, 0.0f, 0.0f, 0.0f);
    ASSERT_TRUE(f.setFaderAction(0, 1.0f, 2.0f, -20.0f));
    std::vector<float> x(kRate / 2, 1.0f);
    f.processChannel(0, x.data(), x.data(), kRate / 2);
    f.allocBuffers(kRate, 1, kRate);
    EXPECT_EQ(f.unit(0).now(), 0u);
    for (int s = 0; s < 3; ++s) {
        std::vector<float> y(kRate, 1.0f);
        f.processChannel(0, y.data(), y.data(), kRate);
    }
    EXPECT_NEAR(dbOf(f.unit(0).gain()), -20.0, 0.01);
}

}  // namespace
