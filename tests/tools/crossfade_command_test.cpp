#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kRate = 44100;

TEST(CrossfadeCommand, MovesFromAToBBetweenTheTimes)
{
    const auto a = testsig::sinePcm16(441, kRate, 2 * kRate, 2, 10000);
    const auto b = testsig::sinePcm16(1323, kRate, kRate * 5 / 2, 2, 10000);
    const std::string pa = testsig::tempPath("xf-a.wav"), pb = testsig::tempPath("xf-b.wav");
    const std::string out = testsig::tempPath("xf-out.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(pa, a, 2, kRate));
    ASSERT_TRUE(testsig::writeWavPcm16(pb, b, 2, kRate));
    ASSERT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out + " --start 0.5 --end 1.5").status, 0);
    uint32_t channels = 0, rate = 0;
    const auto mixed = testsig::readWavPcm16(out, &channels, &rate);
    EXPECT_EQ(channels, 2u);
    EXPECT_EQ(rate, kRate);
    ASSERT_EQ(mixed.size(), b.size() + 2 * kRate / 2);  // B starts at 0.5 s

    // Whole periods of both tones: 49 and 147 in the long window, 3 and 9 in the short one.
    auto level = [&](double seconds, double hz, size_t window = kRate / 9) {
        return testsig::toneAmplitudePcm16(mixed.data() + 2 * size_t(seconds * kRate), window, hz, kRate, 2) / 10000;
    };
    EXPECT_NEAR(level(0.2, 441), 1.0, 0.01);  // A alone before the fade
    EXPECT_LT(level(0.2, 1323), 0.001);
    // Round the centre, 1.0 s, both sit near -1 dB.
    EXPECT_NEAR(level(1.0 - 150.0 / kRate, 441, 300), std::pow(10, -1.0 / 20), 0.02);
    EXPECT_NEAR(level(1.0 - 150.0 / kRate, 1323, 300), std::pow(10, -1.0 / 20), 0.02);
    EXPECT_NEAR(level(1.7, 1323), 1.0, 0.01);  // B alone after it
    EXPECT_LT(level(1.7, 441), 0.001);
    for (const char* p : {pa.c_str(), pb.c_str(), out.c_str()})
        std::remove(p);
}

// --duration overlaps A's last seconds with B's first: the result is A, then B whole from its
// first sample, as long as both less the overlap. A fade longer than either file is refused.
TEST(CrossfadeCommand, DurationOverlapsTheEndOfAWithTheStartOfB)
{
    struct Case {
        double secondsA, secondsB, duration;
        int status;
    } const cases[] = {
        {2.0, 3.0, 1.0, 0}, {3.0, 1.5, 1.5, 0}, {1.0, 1.0, 0.0, 0}, {1.0, 2.0, 1.0, 0},
        {1.0, 2.0, 1.5, 1}, {2.0, 1.0, 1.2, 1}, {1.0, 1.0, 3.0, 1},
    };
    const std::string pa = testsig::tempPath("xfd-a.wav"), pb = testsig::tempPath("xfd-b.wav");
    const std::string out = testsig::tempPath("xfd-out.wav");
    for (const Case& c : cases) {
        const auto framesA = uint32_t(c.secondsA * kRate), framesB = uint32_t(c.secondsB * kRate);
        const auto overlap = uint32_t(c.duration * kRate);
        const auto a = testsig::sinePcm16(441, kRate, framesA, 1, 10000);
        const auto b = testsig::noisePcm16(framesB, 5, 10000);
        ASSERT_TRUE(testsig::writeWavPcm16(pa, a, 1, kRate));
        ASSERT_TRUE(testsig::writeWavPcm16(pb, b, 1, kRate));
        const std::string label
            = std::to_string(c.secondsA) + " + " + std::to_string(c.secondsB) + " over " + std::to_string(c.duration);
        std::remove(out.c_str());
        const CliResult r
            = runOrvane("crossfade " + pa + " " + pb + " " + out + " --duration " + std::to_string(c.duration));
        ASSERT_EQ(r.status, c.status) << label << ": " << r.err;
        if (c.status != 0) {
            EXPECT_NE(r.err.find("longer than A"), std::string::npos) << r.err;
            continue;
        }
        const auto mixed = testsig::readWavPcm16(out);
        ASSERT_EQ(mixed.size(), framesA + framesB - overlap) << label;
        const uint32_t fadeStart = framesA - overlap;
        // Untouched A before the fade and untouched B after it, sample for sample.
        for (uint32_t i = 0; i < fadeStart; i += 97)
            ASSERT_NEAR(mixed[i], a[i], 1) << label << " at " << i;
        for (uint32_t i = framesA + 1; i < mixed.size(); i += 97)
            ASSERT_NEAR(mixed[i], b[i - fadeStart], 1) << label << " at " << i;
    }
    for (const std::string& p : {pa, pb, out})
        std::remove(p.c_str());
}

TEST(CrossfadeCommand, RefusesBadArgumentsAndMismatchedFiles)
{
    const std::string pa = testsig::tempPath("xf-bad-a.wav"), pb = testsig::tempPath("xf-bad-b.wav");
    const std::string out = testsig::tempPath("xf-bad-out.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(pa, testsig::noisePcm16(2000, 1), 2, kRate));
    ASSERT_TRUE(testsig::writeWavPcm16(pb, testsig::noisePcm16(2000, 2), 1, kRate));
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out).status, 2);
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out + " --start 2 --end 1").status, 2);
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out + " --start x --end 1").status, 2);
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out + " --start 0 --end 0.01").status,
              1);  // mono vs stereo
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out + " --duration 1 --start 0 --end 1").status, 2);
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pa + " " + out + " --start 0 --end 1").status, 1);  // past A's end
    for (const char* p : {pa.c_str(), pb.c_str(), out.c_str()})
        std::remove(p);
}

}  // namespace
