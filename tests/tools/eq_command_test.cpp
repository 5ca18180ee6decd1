#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "cli_runner.h"

namespace {

// Parses "freq gain" lines (comments skipped).
std::map<double, double> response(const std::string& out)
{
    std::map<double, double> r;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        double f = 0, db = 0;
        fields >> f >> db;
        r[f] = db;
    }
    return r;
}

// Gain of one band from its definition: N |H(e^jw)| with the normaliser taken at half the angle.
double bandDb(double f0, double p, double q, double f, double fs)
{
    const double w0 = 2 * M_PI * f0 / fs;
    const double a1 = 2 * q * std::cos(w0), a2 = -q * q, b1 = -2 * p * std::cos(w0), b2 = p * p;
    const std::complex<double> zn = std::polar(1.0, -M_PI * f0 / fs);
    const double n = 1.0 / std::abs((1.0 + b1 * zn + b2 * zn * zn) / (1.0 + a1 * zn + a2 * zn * zn));
    const std::complex<double> z = std::polar(1.0, -2 * M_PI * f / fs);
    return 20 * std::log10(n * std::abs((1.0 + b1 * z + b2 * z * z) / (1.0 - a1 * z - a2 * z * z)));
}

TEST(EqCommand, MeasuresTheEqualiserResponse)
{
    const CliResult flat = runOrvane("eq --at 200,1000,5000 1000:0:0.9:0.99");
    ASSERT_EQ(flat.status, 0);
    auto r = response(flat.out);
    ASSERT_EQ(r.size(), 3u);
    for (double f : {200.0, 1000.0, 5000.0})
        EXPECT_NEAR(r[f], bandDb(1000, 0.9, 0.99, f, 44100), 0.1) << f;

    // Band gain and master gain shift a single band's response by their dB.
    auto boosted = response(runOrvane("eq --master -4 --at 200,1000,5000 1000:6:0.9:0.99").out);
    for (double f : {200.0, 1000.0, 5000.0})
        EXPECT_NEAR(boosted[f] - r[f], 2.0, 0.1) << f;

    // Against the same bands at 0 dB, one band's setting and the master gain shift every frequency.
    std::istringstream lines(runOrvane("eq --master -4 --at 200,1000,5000 1000:6:0.9:0.99").out);
    std::string line;
    int rows = 0;
    while (std::getline(lines, line)) {
        double f = 0, db = 0, relative = 0;
        if (line[0] != '#' && std::sscanf(line.c_str(), "%lf %lf %lf", &f, &db, &relative) == 3) {
            EXPECT_NEAR(relative, 2.0, 0.05) << f;
            ++rows;
        }
    }
    EXPECT_EQ(rows, 3);
    // Two bands in parallel: each reads near its own setting at its own centre.
    auto mixed = runOrvane("eq --at 1000,8000 1000:-12:0.5:0.999 8000:6:0.5:0.999").out;
    std::istringstream pair(mixed);
    std::map<double, double> relative;
    while (std::getline(pair, line)) {
        double f = 0, db = 0, rel = 0;
        if (line[0] != '#' && std::sscanf(line.c_str(), "%lf %lf %lf", &f, &db, &rel) == 3)
            relative[f] = rel;
    }
    EXPECT_NEAR(relative[1000.0], -12.0, 0.2) << mixed;
    EXPECT_NEAR(relative[8000.0], 6.0, 0.2) << mixed;

    auto rate = response(runOrvane("eq --rate 22050 --at 1000 1000:0").out);
    EXPECT_NEAR(rate[1000.0], bandDb(1000, 0.9, 0.99, 1000, 22050), 0.1);
}

TEST(EqCommand, RejectsBadArguments)
{
    EXPECT_EQ(runOrvane("eq").status, 2);
    EXPECT_EQ(runOrvane("eq 1000").status, 2);
    EXPECT_EQ(runOrvane("eq 1000:x").status, 2);
    EXPECT_EQ(runOrvane("eq --at 30000 1000:0").status, 2);
    EXPECT_EQ(runOrvane("eq --rate 0 1000:0").status, 2);
    EXPECT_EQ(runOrvane("eq --help").status, 0);
}

}  // namespace
