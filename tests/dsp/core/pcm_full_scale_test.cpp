#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dsp/core/pcm_full_scale.h"
#include "orvane/dsp.h"

namespace {

using cpu::Path;

// The rule computed apart from the kernels, in double: scale, NaN to 0, saturate, round to
// nearest with ties to even.
int64_t reference(float v, double scale, int bits)
{
    if (std::isnan(v))
        return 0;
    const double top = std::ldexp(1.0, bits - 1);
    const double x = std::min(std::max(double(v) * scale, -top), top - 1.0);
    return int64_t(std::nearbyint(x));
}

// Odd values around every rounding and saturation edge, then noise beyond full scale.
std::vector<float> inputs(size_t count)
{
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> edges = {0.0f,
                                -0.0f,
                                1.0f,
                                -1.0f,
                                0.99999994f,
                                -0.99999994f,
                                1.0000001f,
                                -1.0000001f,
                                inf,
                                -inf,
                                NAN,
                                1e30f,
                                -1e30f,
                                1e-40f,
                                -1e-40f,
                                0.5f / 32768,
                                -0.5f / 32768,
                                1.5f / 32768,
                                -1.5f / 32768,
                                2.5f / 32768,
                                32767.5f / 32768,
                                -32768.5f / 32768,
                                0.5f / 8388608,
                                1.5f / 8388608,
                                -8388608.5f / 8388608};
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> any(-1.25f, 1.25f);
    std::vector<float> out;
    for (size_t i = 0; i < count; ++i)
        out.push_back(i < edges.size() ? edges[(i * 7) % edges.size()] : any(rng));
    return out;
}

std::vector<Path> paths()
{
    std::vector<Path> all{Path::Plain, Path::Sse, Path::ThreeDNow};
    if (cpu::supported(Path::Avx2))
        all.push_back(Path::Avx2);
    return all;
}

class FullScalePaths : public ::testing::TestWithParam<Path> { };

std::string pathName(const ::testing::TestParamInfo<Path>& info)
{
    static const char* const kNames[] = {"Plain", "Sse", "ThreeDNow", "Avx2"};
    return kNames[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(AllPaths, FullScalePaths, ::testing::ValuesIn(paths()), pathName);

// Every width both ways on odd lengths (scalar tails after each vector block, and the 24-bit
// conversion's internal blocks), saturating and NaN inputs included: the reference, bit for bit.
TEST_P(FullScalePaths, EveryWidthEqualsTheReferenceOnOddLengths)
{
    const Path path = GetParam();
    for (size_t n : {0u, 1u, 3u, 7u, 15u, 17u, 25u, 31u, 33u, 255u, 257u, 1001u}) {
        SCOPED_TRACE(n);
        const std::vector<float> in = inputs(n);
        std::vector<int16_t> o16(n + 1, 0x5A5A);
        std::vector<uint8_t> o24(3 * n + 1, 0x5A);
        std::vector<int32_t> o32(n + 1, 0x5A5A5A5A);
        std::vector<int16_t> scaled(n + 1, 0x5A5A);
        std::vector<float> in16(in.size());
        for (size_t i = 0; i < n; ++i)
            in16[i] = in[i] * 32768.0f;
        pcm::toInt16On(path, in.data(), o16.data(), n);
        pcm::toInt24On(path, in.data(), o24.data(), n);
        pcm::toInt32On(path, in.data(), o32.data(), n);
        pcm::toInt16On(path, in16.data(), scaled.data(), n, 1.0f);
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(o16[i], reference(in[i], 32768.0, 16)) << i << ": " << in[i];
            ASSERT_EQ(scaled[i], o16[i]) << i;
            const int32_t v24
                = int32_t(uint32_t(o24[3 * i]) << 8 | uint32_t(o24[3 * i + 1]) << 16 | uint32_t(o24[3 * i + 2]) << 24)
                / 256;
            ASSERT_EQ(v24, reference(in[i], 8388608.0, 24)) << i << ": " << in[i];
            ASSERT_EQ(o32[i], reference(in[i], 2147483648.0, 32)) << i << ": " << in[i];
        }
        EXPECT_EQ(o16[n], 0x5A5A);  // nothing past the end
        EXPECT_EQ(o24[3 * n], 0x5A);
        EXPECT_EQ(o32[n], 0x5A5A5A5A);

        std::vector<float> back(n + 1, 7.0f);
        pcm::fromInt16On(path, o16.data(), back.data(), n);
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(back[i], float(o16[i] / 32768.0)) << i;
        pcm::fromInt24On(path, o24.data(), back.data(), n);
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(back[i], float(reference(in[i], 8388608.0, 24) / 8388608.0)) << i;
        pcm::fromInt32On(path, o32.data(), back.data(), n);
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(back[i], float(double(float(o32[i])) / 2147483648.0)) << i;
        EXPECT_EQ(back[n], 7.0f);
    }
}

TEST(FullScaleExports, ConvertOnTheProcessPathAndRefuseNullOrHugeCounts)
{
    const float in[3] = {1.0f, -1.0f, 0.25f};
    int16_t o16[3];
    uint8_t o24[9];
    int32_t o32[3];
    float back[3];
    EXPECT_EQ(dspFloatToPcm16(in, o16, 3), 3);
    EXPECT_EQ(o16[0], 32767);
    EXPECT_EQ(o16[1], -32768);
    EXPECT_EQ(o16[2], 8192);
    EXPECT_EQ(dspFloatToPcm24(in, o24, 3), 3);
    EXPECT_EQ(o24[0] | o24[1] << 8 | o24[2] << 16, 0x7FFFFF);
    EXPECT_EQ(dspFloatToPcm32(in, o32, 3), 3);
    EXPECT_EQ(o32[0], INT32_MAX);
    EXPECT_EQ(o32[1], INT32_MIN);
    EXPECT_EQ(dspPcm16ToFloat(o16, back, 3), 3);
    EXPECT_EQ(back[1], -1.0f);
    EXPECT_EQ(dspPcm24ToFloat(o24, back, 3), 3);
    EXPECT_EQ(back[2], 0.25f);
    EXPECT_EQ(dspPcm32ToFloat(o32, back, 3), 3);
    EXPECT_EQ(back[0], 1.0f);
    const float scaled[1] = {-12.5f};
    EXPECT_EQ(dspScaledFloatToPcm16(scaled, o16, 1), 1);
    EXPECT_EQ(o16[0], -12);
    EXPECT_EQ(dspFloatToPcm16(nullptr, o16, 3), 0);
    EXPECT_EQ(dspPcm24ToFloat(o24, nullptr, 3), 0);
    EXPECT_EQ(dspFloatToPcm32(in, o32, 0x80000000u), 0);
}

}  // namespace
