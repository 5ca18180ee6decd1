#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// A tone's band reads its level (the power of all its bins), and the Hann-windowed frames keep
// its skirt far down two octaves away (or at 16-bit rounding), wherever it falls between bins.
TEST(SpectrumCommand, BandTableReadsAToneAtItsLevel)
{
    const std::string in = testsig::tempPath("spectrum-band.wav");
    const struct {
        double hz;
        double db;
    } tones[] = {{1000.0, 0.0}, {440.0, -6.02}, {3217.0, -20.0}, {150.5, -40.0}};
    for (const auto& t : tones) {
        const double amplitude = 32767.0 * std::pow(10.0, t.db / 20.0);
        ASSERT_TRUE(testsig::writeWavPcm16(in, testsig::sinePcm16(t.hz, 44100.0, 3 * 44100, 1, amplitude), 1, 44100));
        const CliResult table = runOrvane("spectrum " + in + " --bands 24");
        ASSERT_EQ(table.status, 0);
        std::istringstream lines(table.out);
        std::string line;
        double best = -1000.0;
        while (std::getline(lines, line)) {
            double from = 0.0, to = 0.0, db = 0.0;
            if (std::sscanf(line.c_str(), "%lf %lf %lf", &from, &to, &db) == 3 && from <= t.hz && t.hz < to)
                best = db;
        }
        EXPECT_NEAR(best, t.db, 0.1) << t.hz << " Hz\n" << table.out;
        std::istringstream bins(runOrvane("spectrum " + in + " --csv").out);
        std::getline(bins, line);
        double worst = -1000.0;
        while (std::getline(bins, line)) {
            double hz = 0.0, db = 0.0;
            ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf", &hz, &db), 2);
            if (hz > 0.0 && (hz < t.hz / 4.0 || hz > t.hz * 4.0))
                worst = std::max(worst, db);
        }
        EXPECT_LT(worst, std::max(t.db - 100.0, -110.0)) << t.hz << " Hz";  // or 16-bit rounding
    }
    std::remove(in.c_str());
}

}  // namespace
