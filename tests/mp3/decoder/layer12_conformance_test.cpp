#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "decoder_test_support.h"
#include "mp3/decode/stream_decoder.h"
#include "support/signal.h"

namespace {

struct Case {
    const char* stream;
    player::SimdPath path;
};

std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    std::string s = info.param.stream;
    for (char& c : s)
        if (c == '-')
            c = '_';
    return s + "_" + decodertest::pathName(info.param.path);
}

class Layer12Conformance : public ::testing::TestWithParam<Case> { };

// Decoded and rounded to 16 bits, every sample lies within 1 LSB of the reference and the RMS
// difference is under 0.15 LSB, over the length both have (references are zero-padded).
TEST_P(Layer12Conformance, MatchesTheReferenceWithinOneLsb)
{
    SKIP_WITHOUT_CONFORMANCE();
    const std::string base = testsig::conformanceDir() + "/" + GetParam().stream;
    const std::vector<uint8_t> refBytes = testsig::readFile(base + ".pcm");
    ASSERT_FALSE(refBytes.empty()) << base;

    StreamDecoder dec;
    ASSERT_TRUE(dec.open((base + ".bit").c_str()));
    dec.setSettings(decodertest::settingsFor(GetParam().path));
    dec.decodeAll();
    EXPECT_EQ(dec.framesDropped(), 0u);
    const std::vector<int16_t> got = decodertest::roundToPcm16(dec.pcm());

    std::vector<int16_t> ref(refBytes.size() / 2);
    std::memcpy(ref.data(), refBytes.data(), ref.size() * 2);
    const size_t n = std::min(ref.size(), got.size());
    // The reference is padded up to a power of two, so the decode covers all its audio.
    ASSERT_GT(n, ref.size() / 2);
    int worst = 0;
    double sq = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const int d = std::abs(got[i] - ref[i]);
        worst = std::max(worst, d);
        sq += double(d) * d;
    }
    EXPECT_LE(worst, 1);
    EXPECT_LT(std::sqrt(sq / n), 0.15);
}

std::vector<Case> allCases()
{
    const char* streams[] = {"l1-fl1",  "l1-fl2",  "l1-fl3",  "l1-fl4",  "l1-fl5",  "l1-fl6",  "l1-fl7",  "l1-fl8",
                             "l2-fl10", "l2-fl11", "l2-fl12", "l2-fl13", "l2-fl14", "l2-fl15", "l2-fl16", "l2-test32"};
    std::vector<Case> cases;
    for (const char* s : streams)
        for (player::SimdPath p : decodertest::supportedPaths())
            cases.push_back({s, p});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Streams, Layer12Conformance, ::testing::ValuesIn(allCases()), caseName);

}  // namespace
