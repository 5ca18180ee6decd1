#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

std::vector<std::string> conformanceStreams()
{
    std::vector<std::string> names;
    DIR* d = opendir(testsig::conformanceDir().c_str());
    if (d == nullptr)
        return names;
    while (const dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n.size() > 4 && n.compare(n.size() - 4, 4, ".bit") == 0)
            names.push_back(n.substr(0, n.size() - 4));
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// Samples (over all channels) of the leading frames of an MPEG-1 Layer III stream that keep the
// first frame's channel count: later frames come converted to it, which the reference is not.
size_t leadingLayer3Samples(const std::vector<uint8_t>& bits)
{
    static const int kKbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    size_t pos = 0;
    size_t samples = 0;
    int channels = 0;
    while (pos + 4 <= bits.size()) {
        const uint8_t* p = &bits[pos];
        const int kbps = kKbps[p[2] >> 4];
        const int rate = kRates[(p[2] >> 2) & 3];
        if (p[0] != 0xFF || (p[1] & 0xFE) != 0xFA || kbps == 0 || rate == 0) {
            ++pos;
            continue;
        }
        const int ch = (p[3] >> 6) == 3 ? 1 : 2;
        if (channels != 0 && ch != channels)
            break;
        channels = ch;
        samples += size_t(1152 * ch);
        pos += size_t(144000 * kbps / rate + ((p[2] >> 1) & 1));
    }
    return samples;
}

class ConvertConformance : public testing::TestWithParam<const char*> { };

// What a user gets from `orvane convert` on every path meets the full-accuracy bound against the
// reference decoder's output: RMS error below 2^-15/sqrt(12) of full scale (0.289 LSB at 16 bits)
// and no sample more than 1 LSB off. Truncating instead of rounding fails the RMS bound.
TEST_P(ConvertConformance, EveryStreamMeetsTheFullAccuracyBound)
{
    SKIP_WITHOUT_CONFORMANCE();
    const std::vector<std::string> names = conformanceStreams();
    ASSERT_FALSE(names.empty());
    const std::string wav = testsig::tempPath(std::string("convert-conformance") + GetParam() + ".wav");
    double worstRms = 0.0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string bit = testsig::conformanceDir() + "/" + name + ".bit";
        ASSERT_EQ(runOrvane("convert " + bit + " " + wav + " " + GetParam()).status, 0);
        const std::vector<int16_t> got = testsig::readWavPcm16(wav);
        const std::vector<uint8_t> ref = testsig::readFile(testsig::conformanceDir() + "/" + name + ".pcm");
        size_t n = std::min(got.size(), ref.size() / 2);
        // This stream changes its channel count part-way: only the leading part compares as it is
        // (the decoder's own conformance test compares the converted rest).
        if (name == "l3-he_mode")
            n = std::min(n, leadingLayer3Samples(testsig::readFile(bit)));
        ASSERT_GT(n, 0u);
        double sum = 0.0;
        int worst = 0;
        for (size_t i = 0; i < n; ++i) {
            int16_t r = 0;
            std::memcpy(&r, &ref[2 * i], 2);
            const int d = std::abs(int(got[i]) - int(r));
            worst = std::max(worst, d);
            sum += double(d) * d;
        }
        const double rms = std::sqrt(sum / double(n));
        worstRms = std::max(worstRms, rms);
        EXPECT_LE(worst, 1) << "rms " << rms;
        EXPECT_LT(rms, 1.0 / std::sqrt(12.0));
    }
    std::remove(wav.c_str());
    std::printf("worst RMS over %zu streams: %.4f LSB\n", names.size(), worstRms);
}

// No option: the best path the CPU has.
INSTANTIATE_TEST_SUITE_P(Paths, ConvertConformance, testing::Values("", "--plain", "--sse", "--3dnow"),
                         [](const testing::TestParamInfo<const char*>& p) {
                             return std::string(p.param[0] == '\0' ? "best" : p.param + 2);
                         });

}  // namespace
