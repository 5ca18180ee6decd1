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

std::vector<double> samplesOf(const std::vector<uint8_t>& ref)
{
    std::vector<double> out(ref.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(ref[2 * i] | (ref[2 * i + 1] << 8));
    return out;
}

// pcm[from, to) against ref[from, to), as far as both reach; the differences in whole steps
// where the reference holds whole steps (a mean of two may hold half a step).
Comparison compare(const std::vector<float>& pcm, const std::vector<double>& ref, size_t from = 0, size_t to = SIZE_MAX)
{
    Comparison c;
    to = std::min({to, pcm.size(), ref.size()});
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
        const double v = std::nearbyint(std::clamp(static_cast<double>(pcm[i]), -32768.0, 32767.0));
        const double d = std::fabs(v - ref[i]);
        c.maxDiff = std::max(c.maxDiff, static_cast<int>(std::ceil(d)));
        sum += d * d;
    }
    c.compared = to > from ? to - from : 0;
    c.rmsDiff = c.compared ? std::sqrt(sum / static_cast<double>(c.compared)) : 0.0;
    return c;
}

// The reference of a stream whose channel count changes, in the first frame's count as the
// decoder delivers it: a two-channel frame's channels averaged, a one-channel frame's doubled.
std::vector<double> inFirstFormat(const std::vector<double>& ref, const std::vector<int>& frameChannels)
{
    std::vector<double> out;
    const int channels = frameChannels.empty() ? 1 : frameChannels.front();
    size_t at = 0;
    for (int ch : frameChannels)
        for (int i = 0; i < 1152 && at + size_t(ch) <= ref.size(); ++i, at += size_t(ch)) {
            const double mean = ch == 2 ? (ref[at] + ref[at + 1]) / 2 : ref[at];
            for (int c = 0; c < channels; ++c)
                out.push_back(channels == ch ? ref[at + size_t(c)] : mean);
        }
    return out;
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
    const std::vector<float>& pcm = dec.pcm();
    if (GetParam().stream == "l3-he_mode") {
        // The channel count changes part-way: every frame is delivered with the first frame's
        // one. Frames that have it meet the bound; the others are within a step of the mean of
        // the reference's channels (itself up to half a step off a whole one).
        const l3test::StreamFacts facts = l3test::scanStream(bits);
        const std::vector<double> expected = inFirstFormat(samplesOf(ref), facts.frameChannels);
        ASSERT_EQ(pcm.size(), facts.frameChannels.size() * 1152 * size_t(facts.channels));
        size_t at = 0;
        for (int ch : facts.frameChannels) {
            const size_t end = at + 1152 * size_t(facts.channels);
            const Comparison c = compare(pcm, expected, at, end);
            EXPECT_EQ(c.compared, end - at);
            EXPECT_LE(c.maxDiff, 1) << "frame at " << at;
            EXPECT_LT(c.rmsDiff, ch == facts.channels ? 0.15 : 0.6) << "frame at " << at;
            at = end;
        }
        return;
    }
    const Comparison c = compare(pcm, samplesOf(ref));
    EXPECT_GE(c.compared, ref.size() / 2 - 2304 * 2);
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
