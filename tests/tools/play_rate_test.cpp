#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

// Plays the demo sample through orvane play into a fast capture; returns the left channel.
std::vector<float> playLeft(const std::string& flags)
{
    const std::string path = testsig::tempPath("play-rate.wav");
    setenv("ORVANE_OUTPUT", ("capture:" + path + ",fast").c_str(), 1);
    const CliResult r = runOrvane("play " + std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3 " + flags);
    unsetenv("ORVANE_OUTPUT");
    EXPECT_EQ(r.status, 0) << flags;
    const std::vector<int16_t> pcm = testsig::readWavPcm16(path);
    std::remove(path.c_str());
    std::vector<float> left;
    for (size_t i = 0; i < pcm.size(); i += 2)
        left.push_back(pcm[i]);
    return left;
}

// Summed amplitudes of three partials in a window two seconds in.
double partials(const std::vector<float>& x, double scale)
{
    double sum = 0.0;
    for (double f : {220.0, 277.18, 329.63})
        sum += testsig::toneAmplitude(x.data() + 88200, 8192, f * scale, 44100);
    return sum;
}

TEST(PlayRate, PitchMovesTheChordAnOctaveUpAndSpeedShortensThePlay)
{
    const std::vector<float> plain = playLeft("");
    ASSERT_GT(plain.size(), 44100u * 7);
    const std::vector<float> up = playLeft("--pitch 1200");
    ASSERT_GT(up.size(), 88200u + 8192u);
    // The left channel holds a chord at 220, 277 and 330 Hz: shifted, it sits an octave higher.
    EXPECT_GT(partials(plain, 1.0), 10 * partials(plain, 2.0));
    EXPECT_GT(partials(up, 2.0), 10 * partials(up, 1.0));
    EXPECT_NEAR(double(up.size()), double(plain.size()), 44100.0 * 0.05);  // length kept

    const std::vector<float> fast = playLeft("--speed 1000");  // twice the tempo
    EXPECT_NEAR(double(fast.size()) / double(plain.size()), 0.5, 0.03);
    const std::vector<float> hq = playLeft("--48k --harmonics 0.3");
    EXPECT_NEAR(double(hq.size()) / double(plain.size()), 48000.0 / 44100.0, 0.03);
}

}  // namespace
