#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/core/pcm_convert.h"
#include "orvane/dsp.h"
#include "support/signal.h"
#include "support/vector_path.h"

namespace {

using cpu::Path;

class PcmConvertPaths : public ::testing::TestWithParam<Path> { };

INSTANTIATE_TEST_SUITE_P(AllPaths, PcmConvertPaths, ::testing::Values(Path::Plain, Path::Sse, Path::ThreeDNow),
                         [](const ::testing::TestParamInfo<Path>& p) {
                             return p.param == Path::Plain ? "Plain" : p.param == Path::Sse ? "Sse" : "ThreeDNow";
                         });

// Odd lengths leave a scalar tail after every kernel's block.
const uint32_t kLengths[] = {1, 2, 3, 13, 25, 1000};

TEST_P(PcmConvertPaths, ToFloatMatchesPlainWithinOneUlp)
{
    for (uint32_t channels : {1u, 2u}) {
        for (uint32_t frames : kLengths) {
            auto pcm = testsig::noisePcm16(frames * channels, frames);
            pcm[0] = -32768;
            std::vector<float> refL(frames), refR(frames), l(frames), r(frames);
            EXPECT_EQ(
                pcm16ToFloatOn(Path::Plain, pcm.data(), frames * channels * 2, refL.data(), refR.data(), channels),
                frames);
            EXPECT_EQ(pcm16ToFloatOn(GetParam(), pcm.data(), frames * channels * 2, l.data(), r.data(), channels),
                      frames);
            for (uint32_t i = 0; i < frames; ++i) {
                ASSERT_NEAR(l[i], refL[i], std::fabs(refL[i]) * 2e-7f) << "frame " << i;
                if (channels == 2) {
                    ASSERT_NEAR(r[i], refR[i], std::fabs(refR[i]) * 2e-7f) << "frame " << i;
                }
            }
        }
    }
}

TEST_P(PcmConvertPaths, MostNegativeSampleComesInJustBelowMinusOne)
{
    const std::vector<int16_t> pcm(16, -32768);
    std::vector<float> out(16);
    pcm16ToFloatOn(GetParam(), pcm.data(), 32, out.data(), nullptr, 1);
    for (float v : out)
        EXPECT_NEAR(v, -1.0000305f, 1e-6f);
}

TEST_P(PcmConvertPaths, DownmixAveragesChannels)
{
    std::vector<int16_t> pcm;
    for (int i = 0; i < 13; ++i) {
        pcm.push_back(static_cast<int16_t>(1000 * i));
        pcm.push_back(static_cast<int16_t>(-500 * i + 3));
    }
    std::vector<float> out(13);
    EXPECT_EQ(pcm16ToFloatOn(GetParam(), pcm.data(), 13 * 4 + 3, out.data(), nullptr, 2),
              13u);  // odd bytes: trailing part ignored
    for (int i = 0; i < 13; ++i)
        EXPECT_NEAR(out[i], ((1000 * i + (-500 * i + 3)) / 2.0) / 32767.0, 2e-5) << i;
}

TEST_P(PcmConvertPaths, FromFloatSaturatesAtFullScale)
{
    const std::vector<float> in
        = {1.0f, -1.0f, 1.5f, -7.0f, 0.0f, 0.5f, -0.5f, 2.0f, 1e20f, -1e20f, 0.25f, 0.999f, -1.0f};
    std::vector<int16_t> out(in.size());
    floatToPcm16On(GetParam(), in.data(), nullptr, static_cast<uint32_t>(in.size()), out.data(), 1);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[2], 32767);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[8], 32767);
    EXPECT_LE(out[9], -32767);
    EXPECT_LE(out[3], -32767);
    // Plain never produces -32768; vector runs saturate and may.
    if (GetParam() == Path::Plain) {
        EXPECT_EQ(out[1], -32767);
        EXPECT_EQ(out[3], -32767);
    }
}

TEST_P(PcmConvertPaths, FromFloatStereoInterleavesAndDuplicatesMono)
{
    for (uint32_t frames : kLengths) {
        auto l = testsig::noise(frames, 1 + frames, 0.9f);
        auto r = testsig::noise(frames, 2 + frames, 0.9f);
        std::vector<int16_t> ref(2 * frames), out(2 * frames), dup(2 * frames);
        EXPECT_EQ(floatToPcm16On(Path::Plain, l.data(), r.data(), frames, ref.data(), 2), frames * 4);
        floatToPcm16On(GetParam(), l.data(), r.data(), frames, out.data(), 2);
        floatToPcm16On(GetParam(), l.data(), nullptr, frames, dup.data(), 2);
        for (uint32_t i = 0; i < 2 * frames; ++i)
            ASSERT_NEAR(out[i], ref[i], 1) << i;  // rounding versus truncation: one step at most
        for (uint32_t i = 0; i < frames; ++i)
            ASSERT_EQ(dup[2 * i], dup[2 * i + 1]);
    }
}

TEST(PcmConvert, RoundingDiffersByPath)
{
    const std::vector<float> in(8, 0.99999f);
    std::vector<int16_t> out(8);
    floatToPcm16On(Path::Plain, in.data(), nullptr, 8, out.data(), 1);
    EXPECT_EQ(out[0], 32766);
    floatToPcm16On(Path::Sse, in.data(), nullptr, 8, out.data(), 1);
    EXPECT_EQ(out[0], 32767);
    floatToPcm16On(Path::ThreeDNow, in.data(), nullptr, 8, out.data(), 1);
    EXPECT_EQ(out[0], 32766);
}

TEST(PcmConvert, EncodeClampsRoundsOrTruncatesByPath)
{
    const std::vector<float> in = {1.6f, -1.6f, 40000.0f, -40000.0f, 2.5f, -2.5f, 0.4f, 32766.7f};
    std::vector<int16_t> plain(8), sse(8), amd(8);
    const testsig::VectorPathScope plainPath(0);
    EXPECT_EQ(dspPcmEncode(in.data(), plain.data(), 8), 16);
    EXPECT_EQ(plain, (std::vector<int16_t>{1, -1, 32767, -32767, 2, -2, 0, 32766}));
    pcmEncodeOn(Path::Sse, in.data(), sse.data(), 8);
    EXPECT_EQ(sse, (std::vector<int16_t>{2, -2, 32767, -32768, 2, -2, 0, 32767}));
    pcmEncodeOn(Path::ThreeDNow, in.data(), amd.data(), 8);
    EXPECT_EQ(amd, (std::vector<int16_t>{1, -1, 32767, -32768, 2, -2, 0, 32766}));
}

// The plain path's vector blocks against its defining formulas, bit for bit: every 16-bit value
// in (mono, stereo, down-mixed), and floats around every boundary out (with NaN and infinities).
TEST(PcmConvert, PlainPathFollowsItsFormulasExactly)
{
    std::vector<int16_t> all(65536);
    for (uint32_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<int16_t>(i * 40503u);  // every value once, shuffled across lanes
    std::vector<float> l(all.size()), r(all.size() / 2);
    pcm16ToFloatOn(Path::Plain, all.data(), 65536 * 2, l.data(), nullptr, 1);
    for (uint32_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(l[i], static_cast<float>(all[i] * (1.0 / 32767.0))) << all[i];
    pcm16ToFloatOn(Path::Plain, all.data(), 65536 * 2, l.data(), r.data(), 2);
    for (uint32_t i = 0; i < r.size(); ++i) {
        ASSERT_EQ(l[i], static_cast<float>(all[2 * i] * (1.0 / 32767.0)));
        ASSERT_EQ(r[i], static_cast<float>(all[2 * i + 1] * (1.0 / 32767.0)));
    }
    pcm16ToFloatOn(Path::Plain, all.data(), 65536 * 2, l.data(), nullptr, 2);
    for (uint32_t i = 0; i < r.size(); ++i)
        ASSERT_EQ(l[i], static_cast<float>(((int32_t(all[2 * i]) + all[2 * i + 1]) >> 1) * (1.0 / 32767.0)));

    std::vector<float> in
        = {NAN,           INFINITY,    -INFINITY,    1.0f,     -1.0f,     0.0f,     -0.0f,     1.0f + 1e-7f,
           -1.0f - 1e-7f, 0.99999994f, -0.99999994f, 32767.0f, -32767.0f, 32767.5f, -32768.5f, 1e-30f};
    const std::vector<float> noise = testsig::noise(1001, 31, 40000.0f);
    in.insert(in.end(), noise.begin(), noise.end());
    for (float v : testsig::noise(1001, 32, 1.2f))
        in.push_back(v);
    const auto n = static_cast<uint32_t>(in.size());
    const auto toPcm = [](float v) {
        const float c = v >= 1.0f ? 1.0f : (v > -1.0f ? v : -1.0f);
        return static_cast<int16_t>(static_cast<double>(c) * 32767.0);
    };
    const auto encodeOne
        = [](float v) { return static_cast<int16_t>(v >= 32767.0f ? 32767.0f : (v > -32767.0f ? v : -32767.0f)); };
    std::vector<int16_t> mono(n), stereo(2 * n), encoded(n);
    floatToPcm16On(Path::Plain, in.data(), nullptr, n, mono.data(), 1);
    std::vector<float> reversed(in.rbegin(), in.rend());
    floatToPcm16On(Path::Plain, in.data(), reversed.data(), n, stereo.data(), 2);
    pcmEncodeOn(Path::Plain, in.data(), encoded.data(), n);
    for (uint32_t i = 0; i < n; ++i) {
        ASSERT_EQ(mono[i], toPcm(in[i])) << in[i];
        ASSERT_EQ(stereo[2 * i], toPcm(in[i])) << in[i];
        ASSERT_EQ(stereo[2 * i + 1], toPcm(reversed[i])) << reversed[i];
        ASSERT_EQ(encoded[i], encodeOne(in[i])) << in[i];
    }
}

TEST(PcmConvert, EncodeRefusesNullBuffersAndCountsPastTheResult)
{
    const float in[2] = {1.0f, 2.0f};
    int16_t out[2] = {7, 7};
    EXPECT_EQ(dspPcmEncode(nullptr, out, 2), 0);
    EXPECT_EQ(dspPcmEncode(in, nullptr, 2), 0);
    EXPECT_EQ(dspPcmEncode(in, out, 0x40000000u), 0);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(dspPcmEncode(in, out, 0), 0);
}

TEST(CpuSwitches, StartOnTheBestPathAndRankThreeDNowOverAvx2OverSse)
{
    const int32_t best = cpu::hasAvx2Fma() ? 3 : 1;
    EXPECT_EQ(dspGetVectorPath(), best);
    const testsig::VectorPathScope restore;
    dspEnable3dnow(1);
    EXPECT_EQ(dspGetVectorPath(), 2);
    dspEnable3dnow(0);
    dspEnableAvx2(0);
    EXPECT_EQ(dspGetVectorPath(), 1);
    dspEnableAvx2(1);
    dspEnableSse(0);
    EXPECT_EQ(cpu::activePath(), cpu::hasAvx2Fma() ? Path::Avx2 : Path::Plain);
    dspEnableAvx2(0);
    EXPECT_EQ(cpu::activePath(), Path::Plain);
    EXPECT_EQ(dspVectorPathSupported(0) + dspVectorPathSupported(1) + dspVectorPathSupported(2), 3);
    EXPECT_EQ(dspVectorPathSupported(3), cpu::hasAvx2Fma() ? 1 : 0);
    EXPECT_EQ(dspVectorPathSupported(4) + dspVectorPathSupported(-1), 0);
    EXPECT_EQ(dspPcmDecode(), 0);
}

// The tests' path scope: from every path the process can take, switching to any other for a
// scope leaves the path it found.
TEST(CpuSwitches, APathScopeLeavesThePathItFound)
{
    for (int32_t from = 0; from <= 3; ++from) {
        if (dspVectorPathSupported(from) == 0)
            continue;
        const testsig::VectorPathScope outer(from);
        ASSERT_EQ(dspGetVectorPath(), from);
        for (int32_t to = 0; to <= 3; ++to) {
            if (dspVectorPathSupported(to) == 0)
                continue;
            {
                const testsig::VectorPathScope inner(to);
                EXPECT_EQ(dspGetVectorPath(), to);
            }
            EXPECT_EQ(dspGetVectorPath(), from) << "back from " << to;
        }
    }
    EXPECT_EQ(dspGetVectorPath(), testsig::bestVectorPath());
}

}  // namespace
