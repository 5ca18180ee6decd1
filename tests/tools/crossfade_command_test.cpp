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
    const auto b = testsig::sinePcm16(1323, kRate, kRate * 5 / 2, 2, 10000);  // longer: A is padded
    const std::string pa = testsig::tempPath("xf-a.wav"), pb = testsig::tempPath("xf-b.wav");
    const std::string out = testsig::tempPath("xf-out.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(pa, a, 2, kRate));
    ASSERT_TRUE(testsig::writeWavPcm16(pb, b, 2, kRate));
    ASSERT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out + " --start 0.5 --end 1.5").status, 0);
    uint32_t channels = 0, rate = 0;
    const auto mixed = testsig::readWavPcm16(out, &channels, &rate);
    EXPECT_EQ(channels, 2u);
    EXPECT_EQ(rate, kRate);
    ASSERT_EQ(mixed.size(), b.size());

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

TEST(CrossfadeCommand, RefusesBadArgumentsAndMismatchedFiles)
{
    const std::string pa = testsig::tempPath("xf-bad-a.wav"), pb = testsig::tempPath("xf-bad-b.wav");
    const std::string out = testsig::tempPath("xf-bad-out.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(pa, testsig::noisePcm16(2000, 1), 2, kRate));
    ASSERT_TRUE(testsig::writeWavPcm16(pb, testsig::noisePcm16(2000, 2), 1, kRate));
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out).status, 2);
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out + " --start 2 --end 1").status, 2);
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out + " --start x --end 1").status, 2);
    EXPECT_EQ(runOrvane("crossfade " + pa + " " + pb + " " + out + " --start 0 --end 1").status, 1);  // mono vs stereo
    for (const char* p : {pa.c_str(), pb.c_str(), out.c_str()})
        std::remove(p);
}

}  // namespace
