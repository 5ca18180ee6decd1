#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "decoder_test_support.h"
#include "mp3/decoder/alias_reduction.h"
#include "mp3/decoder/imdct.h"
#include "mp3/decoder/reorder.h"
#include "mp3/decoder/requantize.h"
#include "mp3/decoder/stereo_processing.h"

namespace {

using namespace layer3;

constexpr double kPi = 3.14159265358979323846;

double window(int type, int i)
{
    const double normal = std::sin((i + 0.5) * kPi / 36);
    if (type == 1)
        return i < 18 ? normal : i < 24 ? 1 : i < 30 ? std::sin((i - 18 + 0.5) * kPi / 12) : 0;
    if (type == 3)
        return i < 6 ? 0 : i < 12 ? std::sin((i - 6 + 0.5) * kPi / 12) : i < 18 ? 1 : normal;
    return normal;
}

// The defining sums of the standard, windowed.
void directLong(const float* x, int type, double y[36])
{
    for (int i = 0; i < 36; ++i) {
        double s = 0;
        for (int k = 0; k < 18; ++k)
            s += x[k] * std::cos(kPi / 72 * (2 * i + 1 + 18) * (2 * k + 1));
        y[i] = s * window(type, i);
    }
}
void directShort(const float* x, double y[36])
{
    for (int i = 0; i < 36; ++i)
        y[i] = 0;
    for (int w = 0; w < 3; ++w)
        for (int i = 0; i < 12; ++i) {
            double s = 0;
            for (int k = 0; k < 6; ++k)
                s += x[3 * k + w] * std::cos(kPi / 24 * (2 * i + 1 + 6) * (2 * k + 1));
            y[6 + 6 * w + i] += s * std::sin((i + 0.5) * kPi / 12);
        }
}

std::vector<float> randomLines(uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<float> x(kGranuleLines);
    for (auto& v : x)
        v = d(rng);
    return x;
}

class Layer3Hybrid : public ::testing::TestWithParam<Path> { };

// The fast transform with folded windows equals the defining sums for every block type, on
// every path, including the overlap carried into the next granule.
TEST_P(Layer3Hybrid, MatchesDefiningSumsForEveryBlockType)
{
    for (int type : {0, 1, 2, 3}) {
        const auto x = randomLines(10 + type);
        alignas(16) SlotBlock overlap = {}, out = {}, out2 = {};
        hybridTransform(GetParam(), x.data(), type, false, kSubbands, overlap, out);
        const std::vector<float> zeros(kGranuleLines, 0.0f);
        hybridTransform(GetParam(), zeros.data(), type, false, kSubbands, overlap, out2);
        for (int sb = 0; sb < kSubbands; ++sb) {
            double y[36];
            if (type == 2)
                directShort(&x[18 * sb], y);
            else
                directLong(&x[18 * sb], type, y);
            for (int s = 0; s < kSlots; ++s) {
                ASSERT_NEAR(out[s][sb], y[s], 2e-5) << "type " << type << " sb " << sb << " s " << s;
                // A granule of zeros after energy puts out exactly the previous overlap.
                ASSERT_NEAR(out2[s][sb], y[s + 18], 2e-5) << "type " << type;
            }
        }
    }
}

// Subbands 0 and 1 of a mixed block take the normal long window, the rest the block's own.
TEST_P(Layer3Hybrid, MixedBlockUsesLongWindowForTwoSubbands)
{
    const auto x = randomLines(3);
    for (int type : {1, 2, 3}) {
        alignas(16) SlotBlock overlap = {}, out = {};
        hybridTransform(GetParam(), x.data(), type, true, kSubbands, overlap, out);
        for (int sb = 0; sb < 6; ++sb) {
            double y[36];
            if (sb < 2)
                directLong(&x[18 * sb], 0, y);
            else if (type == 2)
                directShort(&x[18 * sb], y);
            else
                directLong(&x[18 * sb], type, y);
            for (int s = 0; s < kSlots; ++s) {
                ASSERT_NEAR(out[s][sb], y[s], 2e-5);
                ASSERT_NEAR(overlap[s][sb], y[s + 18], 2e-5);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Layer3Hybrid, ::testing::ValuesIn(decodertest::supportedPaths()));

TEST(Layer3Hybrid, InactiveSubbandsReleaseOverlapAndFrequencyInversionFlipsOddSlots)
{
    alignas(16) SlotBlock overlap, out;
    for (int s = 0; s < kSlots; ++s)
        for (int sb = 0; sb < kSubbands; ++sb)
            overlap[s][sb] = static_cast<float>(s * 100 + sb);
    const std::vector<float> zeros(kGranuleLines, 0.0f);
    hybridTransform(Path::Plain, zeros.data(), 0, false, 0, overlap, out);
    invertFrequencies(out);
    for (int s = 0; s < kSlots; ++s)
        for (int sb = 0; sb < kSubbands; ++sb) {
            const float v = static_cast<float>(s * 100 + sb);
            ASSERT_EQ(out[s][sb], (s & 1) && (sb & 1) ? -v : v);
            ASSERT_EQ(overlap[s][sb], 0.0f);
        }
}

TEST(Layer3Requantize, UnityGainGivesThePowerTable)
{
    GranuleInfo g;
    g.globalGain = 210;
    ScaleFactors sf;
    int32_t is[kGranuleLines];
    for (int i = 0; i < kGranuleLines; ++i)
        is[i] = (i * 37) % 8207 - 4000;
    float x[kGranuleLines];
    requantize(is, kGranuleLines, g, sf, kBandTables[3], true, x);
    for (int i = 0; i < kGranuleLines; ++i)
        ASSERT_EQ(x[i], powerTable()[is[i]]);
    // The compile-time tables equal the powers rounded once to float, over their whole range.
    for (int i = -kPowerTableMax; i <= kPowerTableMax; ++i) {
        const double m = std::pow(std::abs(i), 4.0 / 3.0);
        ASSERT_EQ(powerTable()[i], static_cast<float>(i < 0 ? -m : m)) << i;
    }
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(gainTable()[i], static_cast<float>(std::pow(2.0, -0.5 * i))) << i;
    // Lines past the decoded count become zero.
    requantize(is, 100, g, sf, kBandTables[3], true, x);
    EXPECT_EQ(x[100], 0.0f);
    EXPECT_EQ(x[575], 0.0f);
}

TEST(Layer3Requantize, ScaleFactorsPretabAndSubblockGain)
{
    GranuleInfo g;
    g.globalGain = 214;  // x 2
    g.preflag = 1;
    g.scalefacScale = 1;
    ScaleFactors sf;
    sf.l[17] = 1;  // pretab 3 at band 17: 2^-(1 + 3)
    int32_t is[kGranuleLines];
    std::fill(is, is + kGranuleLines, 1);
    float x[kGranuleLines];
    requantize(is, kGranuleLines, g, sf, kBandTables[3], true, x);
    EXPECT_FLOAT_EQ(x[0], 2.0f);
    EXPECT_FLOAT_EQ(x[kBandTables[3].longEdge[17]], 2.0f / 16.0f);

    GranuleInfo s;
    s.globalGain = 210;
    s.windowSwitching = 1;
    s.blockType = 2;
    s.subblockGain[1] = 1;  // window 1: 2^-2
    ScaleFactors ssf;
    ssf.s[2][0] = 3;  // window 2 of band 0: 2^-1.5
    requantize(is, kGranuleLines, s, ssf, kBandTables[3], true, x);
    EXPECT_FLOAT_EQ(x[0], 1.0f);
    EXPECT_FLOAT_EQ(x[4], 0.25f);
    EXPECT_FLOAT_EQ(x[8], static_cast<float>(std::pow(2.0, -1.5)));
}

// The AVX2 path requantises bit for bit as the plain one, for every band table, long and short
// blocks and every count of decoded lines (so every band's tail length).
TEST(Layer3Requantize, Avx2EqualsPlainForEveryTableBlockAndLineCount)
{
    if (!decoder::vectorPathSupported(Path::Avx2))
        GTEST_SKIP() << "this CPU lacks AVX2";
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> value(-40, 40);
    int32_t is[kGranuleLines];
    for (int32_t& v : is)
        v = value(rng);
    ScaleFactors sf;
    for (int b = 0; b < 22; ++b)
        sf.l[b] = b % 5;
    for (int w = 0; w < 3; ++w)
        for (int b = 0; b < 13; ++b)
            sf.s[w][b] = (b + w) % 4;
    for (int table = 0; table < 9; ++table) {
        for (int shortBlocks = 0; shortBlocks < 2; ++shortBlocks) {
            GranuleInfo g;
            g.globalGain = 200;
            g.windowSwitching = shortBlocks;
            g.blockType = shortBlocks ? 2 : 0;
            g.subblockGain[1] = 2;
            for (int nonzero = 0; nonzero <= kGranuleLines; ++nonzero) {
                float plain[kGranuleLines], avx2[kGranuleLines];
                requantize(is, nonzero, g, sf, kBandTables[table], table < 3, plain, Path::Plain);
                requantize(is, nonzero, g, sf, kBandTables[table], table < 3, avx2, Path::Avx2);
                ASSERT_EQ(std::memcmp(plain, avx2, sizeof plain), 0) << table << " " << shortBlocks << " " << nonzero;
            }
        }
    }
}

struct StereoCase {
    FrameFormat format;
    GranuleInfo right;
    ScaleFactors factors;
    float l[kGranuleLines] = {};
    float r[kGranuleLines] = {};
    StereoInput input() { return {&format, &right, &factors, &kBandTables[3]}; }
};

// Mid/side over every extent: each line inside it is (m + s) / sqrt 2 and (m - s) / sqrt 2 in
// single precision, the lines beyond are left alone.
TEST(Layer3Stereo, MidSideAtEveryExtent)
{
    const std::vector<float> mid = randomLines(11), side = randomLines(12);
    const float k = 0.70710677f;
    for (int extent = 0; extent <= kGranuleLines; ++extent) {
        StereoCase c;
        c.format.mode = 1;
        c.format.modeExtension = 2;
        std::copy(mid.begin(), mid.end(), c.l);
        std::copy(side.begin(), side.end(), c.r);
        ASSERT_EQ(processStereo(c.input(), c.l, c.r, extent, extent / 2), extent);
        for (int i = 0; i < kGranuleLines; ++i) {
            ASSERT_EQ(c.l[i], i < extent ? (mid[i] + side[i]) * k : mid[i]) << extent << " " << i;
            ASSERT_EQ(c.r[i], i < extent ? (mid[i] - side[i]) * k : side[i]) << extent << " " << i;
        }
    }
    StereoCase c;
    c.format.mode = 1;
    c.format.modeExtension = 2;
    c.l[0] = c.r[0] = 1.0f;
    processStereo(c.input(), c.l, c.r, 1, 1);
    EXPECT_FLOAT_EQ(c.l[0], 1.4142135f);
    EXPECT_EQ(c.r[0], 0.0f);
}

// Intensity position 0 puts the energy in the right channel, 6 nearly all in the left; position
// 7 and the larger values a 4-bit scale factor can carry are not intensity coded (mid/side
// then applies) and never index past the ratio table.
TEST(Layer3Stereo, Mpeg1IntensityPositions)
{
    StereoCase c;
    c.format.mode = 1;
    c.format.modeExtension = 3;
    for (int i = 0; i < kGranuleLines; ++i)
        c.l[i] = 1.0f;
    c.r[0] = 0.5f;  // right channel non-zero in band 0 only: intensity from band 1 up
    c.factors.l[1] = 0;
    c.factors.l[2] = 6;
    c.factors.l[3] = 7;
    c.factors.l[4] = 15;
    processStereo(c.input(), c.l, c.r, kGranuleLines, 1);
    const auto& e = kBandTables[3].longEdge;
    EXPECT_FLOAT_EQ(c.l[0], 1.5f * 0.70710677f);  // band 0: mid/side
    EXPECT_NEAR(c.l[e[1]], 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(c.r[e[1]], 1.0f);
    EXPECT_NEAR(c.l[e[2]], 1.0f, 1e-6);
    EXPECT_NEAR(c.r[e[2]], 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(c.l[e[3]], 0.70710677f);
    EXPECT_FLOAT_EQ(c.r[e[3]], 0.70710677f);
    EXPECT_FLOAT_EQ(c.l[e[4]], 0.70710677f);
    // Band 21 takes band 20's position (0: all right).
    EXPECT_NEAR(c.l[e[21]], 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(c.r[575], 1.0f);
}

TEST(Layer3Stereo, Mpeg2IntensityFactors)
{
    StereoCase c;
    c.format.mpeg1 = false;
    c.format.mode = 1;
    c.format.modeExtension = 1;
    c.right.scalefacCompress = 1;  // odd: io = 2^-1/2
    for (int i = 0; i < kGranuleLines; ++i)
        c.l[i] = 1.0f;
    c.factors.l[0] = 3;   // odd: k0 = io^2
    c.factors.l[1] = 4;   // even: k1 = io^2
    c.factors.l[2] = 31;  // largest a position table holds
    processStereo(c.input(), c.l, c.r, kGranuleLines, 0);
    EXPECT_FLOAT_EQ(c.l[0], 0.5f);
    EXPECT_FLOAT_EQ(c.r[0], 1.0f);
    EXPECT_FLOAT_EQ(c.l[4], 1.0f);
    EXPECT_FLOAT_EQ(c.r[4], 0.5f);
    EXPECT_FLOAT_EQ(c.r[8], 1.0f);
    EXPECT_FLOAT_EQ(c.l[8], static_cast<float>(std::pow(2.0, -8)));
}

TEST(Layer3Reorder, ShortBandsInterleaveWindowsAndAliasButterfliesKeepEnergy)
{
    float in[kGranuleLines], out[kGranuleLines];
    for (int i = 0; i < kGranuleLines; ++i)
        in[i] = static_cast<float>(i);
    reorderShort(in, kBandTables[3], false, out);
    // Band 0 is 4 lines wide: window 0 lines 0..3, window 1 lines 4..7, window 2 lines 8..11.
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 4.0f);
    EXPECT_EQ(out[2], 8.0f);
    EXPECT_EQ(out[3], 1.0f);
    reorderShort(in, kBandTables[3], true, out);
    for (int i = 0; i < 36; ++i)
        ASSERT_EQ(out[i], in[i]);

    // The butterflies against the standard's formula over every boundary count.
    const double c[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
    for (int boundaries : {0, 1, 2, 17, 31, 40}) {
        auto x = randomLines(5);
        std::vector<double> ref(x.begin(), x.end());
        for (int sb = 1; sb <= std::min(boundaries, 31); ++sb)
            for (int i = 0; i < 8; ++i) {
                const double cs = 1.0 / std::sqrt(1.0 + c[i] * c[i]), ca = c[i] * cs;
                const double a = ref[18 * sb - 1 - i], b = ref[18 * sb + i];
                ref[18 * sb - 1 - i] = a * cs - b * ca;
                ref[18 * sb + i] = b * cs + a * ca;
            }
        reduceAliases(x.data(), boundaries);
        for (int i = 0; i < kGranuleLines; ++i)
            ASSERT_NEAR(x[i], ref[i], 1e-5 * (1.0 + std::fabs(ref[i]))) << boundaries << " " << i;
    }
}

}  // namespace
