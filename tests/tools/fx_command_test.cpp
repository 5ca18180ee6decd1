#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

TEST(FxCommand, WithoutEffectsCopiesTheStream)
{
    const std::string in = testsig::tempPath("fx-copy-in.wav");
    const std::string out = testsig::tempPath("fx-copy-out.wav");
    // Longer than one processing block and not a multiple of it, so the partial last block counts.
    const std::vector<int16_t> noise = testsig::noisePcm16(2 * 10007, 21);
    ASSERT_TRUE(testsig::writeWavPcm16(in, noise, 2, 32000));
    EXPECT_EQ(runOrvane("fx " + in + " " + out).status, 0);
    uint32_t channels = 0;
    uint32_t rate = 0;
    EXPECT_EQ(testsig::readWavPcm16(out, &channels, &rate), noise);
    EXPECT_EQ(channels, 2u);
    EXPECT_EQ(rate, 32000u);
    std::remove(in.c_str());
    std::remove(out.c_str());
}

TEST(FxCommand, ReportsBadInputAndUnknownEffects)
{
    const std::string in = testsig::tempPath("fx-bad-in.wav");
    const std::string out = testsig::tempPath("fx-bad-out.wav");
    EXPECT_EQ(runOrvane("fx").status, 2);
    EXPECT_EQ(runOrvane("fx " + in).status, 2);
    EXPECT_EQ(runOrvane("fx --help").status, 0);
    EXPECT_EQ(runOrvane("fx " + in + " " + out).status, 1);  // missing input file

    FILE* f = std::fopen(in.c_str(), "wb");
    std::fputs("RIFF\x10\0\0\0WAVEjunk", f);
    std::fclose(f);
    EXPECT_EQ(runOrvane("fx " + in + " " + out).status, 1);  // not a usable WAV file

    ASSERT_TRUE(testsig::writeWavPcm16(in, std::vector<int16_t>(100, 5), 1, 44100));
    EXPECT_EQ(runOrvane("fx " + in + " " + out + " no-such-effect").status, 1);
    std::remove(in.c_str());
    std::remove(out.c_str());
}

}  // namespace
