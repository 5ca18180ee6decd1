#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

TEST(SpectrumCommand, ToneShowsAtItsFrequencyAndLevel)
{
    const std::string in = testsig::tempPath("spectrum-tone.wav");
    const double bin = 44100.0 / 4096;
    // Centred on bin 93 at half scale: -6 dBFS on the tool's scale, on both channels.
    ASSERT_TRUE(testsig::writeWavPcm16(in, testsig::sinePcm16(93 * bin, 44100.0, 44100, 2, 32767.0 / 2), 2, 44100));
    const CliResult r = runOrvane("spectrum " + in + " --csv");
    ASSERT_EQ(r.status, 0);
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "hz,left_dbfs,right_dbfs");
    double bestHz = 0.0;
    double bestDb = -1000.0;
    int rows = 0;
    while (std::getline(lines, line)) {
        double hz = 0.0, left = 0.0, right = 0.0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf", &hz, &left, &right), 3) << line;
        EXPECT_NEAR(left, right, 0.01);
        if (left > bestDb) {
            bestDb = left;
            bestHz = hz;
        }
        ++rows;
    }
    EXPECT_EQ(rows, 2048);
    EXPECT_NEAR(bestHz, 93 * bin, 0.01);
    EXPECT_NEAR(bestDb, -6.02, 0.2);  // the silent history before the first block costs a little

    const CliResult table = runOrvane("spectrum " + in + " --bands 12");
    EXPECT_EQ(table.status, 0);
    EXPECT_NE(table.out.find("dBFS"), std::string::npos);
    EXPECT_EQ(runOrvane("spectrum " + in + " --size 1000").status, 2);
    EXPECT_EQ(runOrvane("spectrum").status, 2);
    EXPECT_EQ(runOrvane("spectrum " + in + ".missing").status, 1);
    std::remove(in.c_str());
}

}  // namespace
