#include <gtest/gtest.h>

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

TEST(SliceCommand, RefusesBadArguments)
{
    EXPECT_EQ(runOrvane("slice").status, 2);
    EXPECT_EQ(runOrvane("slice x.wav --on 5").status, 2);
    EXPECT_EQ(runOrvane("slice x.wav --min").status, 2);
    EXPECT_EQ(runOrvane("slice " + testsig::tempPath("no-such-file.wav")).status, 1);
}

}  // namespace
