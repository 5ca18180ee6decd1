#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kRate = 44100;

TEST(SliceCommand, PrintsOneSliceForEachHit)
{
    // Four decaying noise hits, stereo, 0.2 s long. After each, the smoothed envelope rings round
    // zero far below any 16-bit level; the next slice must still start at its own attack.
    const double onsets[] = {0.25, 0.75, 1.0, 1.6};
    std::vector<int16_t> pcm(2 * 2 * kRate, 0);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (double onset : onsets) {
        const size_t at = size_t(onset * kRate);
        for (size_t i = 0; i < size_t(0.2 * kRate); ++i) {
            const auto s = int16_t(std::lround(20000 * std::exp(-double(i) / (0.03 * kRate)) * u(rng)));
            pcm[2 * (at + i)] = pcm[2 * (at + i) + 1] = s;
        }
    }
    const std::string in = testsig::tempPath("slice-in.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(in, pcm, 2, kRate));
    const CliResult r = runOrvane("slice " + in);
    ASSERT_EQ(r.status, 0);
    std::istringstream lines(r.out);
    std::string header;
    std::getline(lines, header);
    std::vector<double> starts;
    unsigned n = 0;
    double start = 0, end = 0;
    while (lines >> n >> start >> end) {
        EXPECT_EQ(n, starts.size() + 1);
        EXPECT_GT(end, start);
        starts.push_back(start);
    }
    ASSERT_EQ(starts.size(), 4u) << r.out;
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(starts[i], onsets[i], 0.01);

    // A longer shortest slice joins the hits that follow within it.
    std::istringstream joined(runOrvane("slice " + in + " --min 0.4").out);
    std::getline(joined, header);
    size_t count = 0;
    while (joined >> n >> start >> end)
        ++count;
    EXPECT_EQ(count, 3u);
    std::remove(in.c_str());
}

// Quiet syllables (a buzz of harmonics, 120-300 ms, peaks at -20..-10 dBFS, short gaps): the
// speech settings find every one, where the music defaults pass most by.
TEST(SliceCommand, SpeechSettingsFindQuietSyllables)
{
    constexpr uint32_t kSpeechRate = 16000;
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<int16_t> pcm;
    std::vector<double> onsets;
    for (int s = 0; s < 16; ++s) {
        onsets.push_back(double(pcm.size()) / kSpeechRate);
        const auto n = size_t((0.12 + 0.18 * u(rng)) * kSpeechRate);
        const double f0 = 100 + 50 * u(rng), peak = 3000 + 7000 * u(rng);
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / n, env = std::min(1.0, t / 0.15) * std::min(1.0, (1 - t) / 0.3);
            double v = 0;
            for (int k = 1; k < 12; ++k)
                v += std::sin(2 * M_PI * k * f0 * double(i) / kSpeechRate) / k;
            pcm.push_back(int16_t(std::lround(peak * 0.5 * env * v)));
        }
        pcm.resize(pcm.size() + size_t((s % 3 == 2 ? 0.3 : 0.04 + 0.04 * u(rng)) * kSpeechRate), 0);
    }
    const std::string in = testsig::tempPath("slice-speech.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(in, pcm, 1, kSpeechRate));
    const auto starts = [&](const std::string& options) {
        std::istringstream lines(runOrvane("slice " + in + options).out);
        std::string header;
        std::getline(lines, header);
        std::vector<double> found;
        unsigned n = 0;
        double start = 0, end = 0;
        while (lines >> n >> start >> end)
            found.push_back(start);
        return found;
    };
    const std::vector<double> speech = starts(" --for speech");
    ASSERT_EQ(speech.size(), onsets.size());
    for (size_t i = 0; i < onsets.size(); ++i)
        EXPECT_NEAR(speech[i], onsets[i], 0.02) << i;
    EXPECT_LT(starts("").size(), onsets.size() / 2);
    // An option beside the preset overrides it: a longer shortest slice joins syllables.
    EXPECT_LT(starts(" --min 0.5 --for speech").size(), onsets.size());
    EXPECT_EQ(runOrvane("slice " + in + " --for poetry").status, 2);
    std::remove(in.c_str());
}

TEST(SliceCommand, RefusesBadArguments)
{
    EXPECT_EQ(runOrvane("slice").status, 2);
    EXPECT_EQ(runOrvane("slice x.wav --on 5").status, 2);
    EXPECT_EQ(runOrvane("slice x.wav --min").status, 2);
    EXPECT_EQ(runOrvane("slice " + testsig::tempPath("no-such-file.wav")).status, 1);
}

}  // namespace
