#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "decoder_test_support.h"
#include "layer3_stream.h"
#include "mp3/decode/stream_decoder.h"
#include "mp3/player/player_settings.h"
#include "support/signal.h"

namespace {

struct Comparison {
    size_t compared = 0;
    int maxDiff = 0;
    double rmsDiff = 0.0;
};

Comparison compare(const std::vector<float>& pcm, const std::vector<uint8_t>& ref)
{
    Comparison c;
    c.compared = std::min(pcm.size(), ref.size() / 2);
    double sum = 0.0;
    for (size_t i = 0; i < c.compared; ++i) {
        const int r = static_cast<int16_t>(ref[2 * i] | (ref[2 * i + 1] << 8));
        const double v = std::nearbyint(std::clamp(static_cast<double>(pcm[i]), -32768.0, 32767.0));
        const int d = std::abs(static_cast<int>(v) - r);
        c.maxDiff = std::max(c.maxDiff, d);
        sum += double(d) * d;
    }
    c.rmsDiff = c.compared ? std::sqrt(sum / static_cast<double>(c.compared)) : 0.0;
    return c;
}

struct Case {
    std::string stream;
    player::SimdPath path;
};

class Layer3Conformance : public ::testing::TestWithParam<Case> { };

// Every reference sample within 1 LSB and an RMS difference under 0.15 LSB, on every path.
TEST_P(Layer3Conformance, MatchesReference)
{
    SKIP_WITHOUT_CONFORMANCE();
    const std::string base = testsig::conformanceDir() + "/" + GetParam().stream;
    const auto bits = testsig::readFile(base + ".bit");
    const auto ref = testsig::readFile(base + ".pcm");
    ASSERT_FALSE(bits.empty());
    ASSERT_FALSE(ref.empty());
    StreamDecoder dec;
    ASSERT_TRUE(dec.open((base + ".bit").c_str()));
    dec.setSettings(decodertest::settingsFor(GetParam().path));
    dec.decodeAll();
    std::vector<float> pcm = dec.pcm();
    if (GetParam().stream == "l3-he_mode") {
        // Only the part before the first change of channel count is comparable.
        const l3test::StreamFacts facts = l3test::scanStream(bits);
        pcm.resize(std::min(pcm.size(), static_cast<size_t>(facts.framesBeforeChannelChange) * 1152 * facts.channels));
    }
    const Comparison c = compare(pcm, ref);
    // l3-he_mode changes its channel count part-way: only the leading part is comparable.
    if (GetParam().stream != "l3-he_mode") {
        EXPECT_GE(c.compared, ref.size() / 2 - 2304 * 2);
    }
    EXPECT_GT(c.compared, 0u);
    RecordProperty("compared", static_cast<int>(c.compared));
    EXPECT_LE(c.maxDiff, 1) << "rms " << c.rmsDiff << " over " << c.compared;
    EXPECT_LT(c.rmsDiff, 0.15) << "max " << c.maxDiff;
}

std::vector<Case> cases()
{
    const char* streams[] = {"l3-compl",
                             "l3-he_32khz",
                             "l3-he_44khz",
                             "l3-he_48khz",
                             "l3-he_mode",
                             "l3-hecommon",
                             "l3-si",
                             "l3-si_block",
                             "l3-si_huff",
                             "M2L3_bitrate_16_all",
                             "M2L3_bitrate_22_all",
                             "M2L3_bitrate_24_all",
                             "M2L3_compl24",
                             "M2L3_noise"};
    std::vector<Case> all;
    for (const char* s : streams)
        for (auto p : decodertest::supportedPaths())
            all.push_back({s, p});
    return all;
}

std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    std::string n = info.param.stream;
    for (char& ch : n)
        if (ch == '-')
            ch = '_';
    return n + "_" + decodertest::pathName(info.param.path);
}

INSTANTIATE_TEST_SUITE_P(Streams, Layer3Conformance, ::testing::ValuesIn(cases()), caseName);

}  // namespace
