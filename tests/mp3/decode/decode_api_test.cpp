#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "orvane/dsp.h"
#include "orvane/mp3.h"
#include "support/signal.h"
#include "support/vector_path.h"

namespace {

const char* const kStreams[] = {"l1-fl1",
                                "l1-fl2",
                                "l1-fl3",
                                "l1-fl4",
                                "l1-fl5",
                                "l1-fl6",
                                "l1-fl7",
                                "l1-fl8",
                                "l2-fl10",
                                "l2-fl11",
                                "l2-fl12",
                                "l2-fl13",
                                "l2-fl14",
                                "l2-fl15",
                                "l2-fl16",
                                "l2-test32",
                                "l3-compl",
                                "l3-he_32khz",
                                "l3-he_44khz",
                                "l3-he_48khz",
                                "l3-hecommon",
                                "l3-si",
                                "l3-si_block",
                                "l3-si_huff",
                                "M2L3_bitrate_16_all",
                                "M2L3_bitrate_22_all",
                                "M2L3_bitrate_24_all",
                                "M2L3_compl24",
                                "M2L3_noise"};

std::string streamPath(const std::string& name)
{
    return testsig::conformanceDir() + "/" + name + ".bit";
}

// Reads everything in blocks of an odd size, so reads end inside frames.
template<typename T> std::vector<T> readAll(OrvaneDecoder* d, int64_t block = 1001)
{
    OrvaneDecodeFormat f{};
    EXPECT_EQ(OrvaneDecodeGetFormat(d, &f), 1);
    std::vector<T> out;
    std::vector<T> buf(size_t(block) * f.channels);
    for (;;) {
        int64_t n;
        if constexpr (std::is_same_v<T, float>)
            n = OrvaneDecodeReadFloat(d, buf.data(), block);
        else
            n = OrvaneDecodeReadInt16(d, buf.data(), block);
        EXPECT_GE(n, 0);
        if (n <= 0)
            break;
        out.insert(out.end(), buf.begin(), buf.begin() + n * f.channels);
    }
    return out;
}

std::vector<float> decodePath(const std::string& path)
{
    OrvaneDecoder* d = OrvaneDecodeOpenFile(path.c_str());
    EXPECT_NE(d, nullptr) << path;
    std::vector<float> pcm = d != nullptr ? readAll<float>(d) : std::vector<float>{};
    OrvaneDecodeClose(d);
    return pcm;
}

// A callback source that, like a pipe, hands over at most 1000 bytes a call.
struct CallbackFile {
    std::vector<uint8_t> bytes;
    int64_t at = 0;
    static int64_t read(void* c, void* buffer, int64_t n)
    {
        auto* f = static_cast<CallbackFile*>(c);
        const int64_t k = std::min<int64_t>({n, int64_t(f->bytes.size()) - f->at, 1000});
        if (k > 0)  // an empty source has no bytes to copy from
            std::memcpy(buffer, f->bytes.data() + f->at, size_t(k));
        f->at += k;
        return k;
    }
    static int64_t seek(void* c, int64_t offset, int32_t whence)
    {
        auto* f = static_cast<CallbackFile*>(c);
        const int64_t base = whence == 0 ? 0 : whence == 1 ? f->at : int64_t(f->bytes.size());
        if (base + offset < 0 || base + offset > int64_t(f->bytes.size()))
            return -1;
        return f->at = base + offset;
    }
};

// Every conformance stream through the decode interface: 16-bit output within 1 LSB of the
// reference (RMS under 0.15 LSB), whole frames only, and memory and callback sources giving exactly
// the samples of the path.
TEST(DecodeApi, ConformanceStreamsMatchTheReferenceFromPathMemoryAndCallbacks)
{
    SKIP_WITHOUT_CONFORMANCE();
    for (const char* name : kStreams) {
        SCOPED_TRACE(name);
        const std::string path = streamPath(name);
        OrvaneDecoder* d = OrvaneDecodeOpenFile(path.c_str());
        ASSERT_NE(d, nullptr);
        OrvaneDecodeFormat f{};
        OrvaneDecodeGetFormat(d, &f);
        const std::vector<int16_t> got = readAll<int16_t>(d);
        OrvaneDecodeClose(d);
        const std::vector<uint8_t> ref = testsig::readFile(testsig::conformanceDir() + "/" + name + ".pcm");
        const size_t compared = std::min(got.size(), ref.size() / 2);
        // The Layer III references end with the stream (within two frames); the Layer I and II
        // ones run on past it.
        if (f.layer == 3) {
            EXPECT_GE(got.size() + 2 * f.samplesPerFrame * f.channels, ref.size() / 2);
        }
        EXPECT_EQ(got.size() % (size_t(f.samplesPerFrame) * f.channels), 0u);
        int worst = 0;
        double sum = 0;
        for (size_t i = 0; i < compared; ++i) {
            const int diff = std::abs(got[i] - int16_t(uint16_t(ref[2 * i] | ref[2 * i + 1] << 8)));
            worst = std::max(worst, diff);
            sum += double(diff) * diff;
        }
        EXPECT_LE(worst, 1);
        EXPECT_LT(std::sqrt(sum / double(std::max<size_t>(compared, 1))), 0.15);

        const std::vector<float> byPath = decodePath(path);
        CallbackFile file{testsig::readFile(path)};
        d = OrvaneDecodeOpenMemory(file.bytes.data(), file.bytes.size());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(readAll<float>(d, 577), byPath);
        OrvaneDecodeClose(d);
        d = OrvaneDecodeOpenCallbacks(&CallbackFile::read, &CallbackFile::seek, &file);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(readAll<float>(d, 4096), byPath);
        OrvaneDecodeClose(d);
    }
}

class DecodeApiPaths : public ::testing::TestWithParam<int32_t> { };

// On every vector path a handle runs that path: its float output stays within 1 LSB of the plain
// path's, its 16-bit output is libdsp's conversion of the float output byte for byte and within
// 1 LSB of the reference (RMS under 0.15 LSB). The AVX2 path, whose fused multiply-adds round
// differently, shows that handles do follow the switches.
TEST_P(DecodeApiPaths, FloatNearThePlainPathAndInt16IsTheOneConversionOfIt)
{
    SKIP_WITHOUT_CONFORMANCE();
    if (dspVectorPathSupported(GetParam()) == 0)
        GTEST_SKIP() << "this CPU lacks the path";
    const testsig::VectorPathScope restore;
    size_t differing = 0;
    for (const char* name : kStreams) {
        SCOPED_TRACE(name);
        const std::string path = streamPath(name);
        testsig::selectVectorPath(0);
        const std::vector<float> plain = decodePath(path);
        testsig::selectVectorPath(GetParam());
        ASSERT_EQ(dspGetVectorPath(), GetParam());
        const std::vector<float> got = decodePath(path);
        OrvaneDecoder* d = OrvaneDecodeOpenFile(path.c_str());
        ASSERT_NE(d, nullptr);
        const std::vector<int16_t> pcm16 = readAll<int16_t>(d, 333);
        OrvaneDecodeClose(d);

        ASSERT_EQ(got.size(), plain.size());
        for (size_t i = 0; i < got.size(); ++i) {
            ASSERT_LE(std::fabs(got[i] - plain[i]) * 32768.0f, 1.0f) << "sample " << i;
            differing += got[i] != plain[i];
        }
        std::vector<int16_t> converted(got.size());
        ASSERT_EQ(dspFloatToPcm16(got.data(), converted.data(), uint32_t(got.size())), int32_t(got.size()));
        ASSERT_EQ(pcm16, converted);

        const std::vector<uint8_t> ref = testsig::readFile(testsig::conformanceDir() + "/" + name + ".pcm");
        const size_t compared = std::min(pcm16.size(), ref.size() / 2);
        int worst = 0;
        double sum = 0;
        for (size_t i = 0; i < compared; ++i) {
            const int diff = std::abs(pcm16[i] - int16_t(uint16_t(ref[2 * i] | ref[2 * i + 1] << 8)));
            worst = std::max(worst, diff);
            sum += double(diff) * diff;
        }
        EXPECT_GT(compared, 0u);
        EXPECT_LE(worst, 1);
        EXPECT_LT(std::sqrt(sum / double(std::max<size_t>(compared, 1))), 0.15);
    }
    if (GetParam() == 3) {
        EXPECT_GT(differing, 0u);
    }
}

std::string pathName(const ::testing::TestParamInfo<int32_t>& info)
{
    static const char* const kNames[] = {"Plain", "Sse", "ThreeDNow", "Avx2"};
    return kNames[info.param];
}

// Seeking to a frame then reading gives exactly that range of a decode from the start, for every
// layer and for targets inside the first frame, on frame boundaries, beyond the Layer III priming
// distance, in the last frame and past the end, on every vector path (after a seek the synthesis
// ring stands elsewhere than in the full decode, which must not change a sample).
TEST_P(DecodeApiPaths, SeekThenReadEqualsTheSameRangeOfAFullDecode)
{
    SKIP_WITHOUT_CONFORMANCE();
    if (dspVectorPathSupported(GetParam()) == 0)
        GTEST_SKIP() << "this CPU lacks the path";
    const testsig::VectorPathScope restore(GetParam());
    for (const char* name : {"l1-fl1", "l2-fl12", "l2-test32", "l3-compl", "l3-si_block", "M2L3_noise"}) {
        SCOPED_TRACE(name);
        const std::string path = streamPath(name);
        const std::vector<float> full = decodePath(path);
        OrvaneDecoder* d = OrvaneDecodeOpenFile(path.c_str());
        ASSERT_NE(d, nullptr);
        OrvaneDecodeFormat f{};
        OrvaneDecodeGetFormat(d, &f);
        const uint64_t ch = f.channels, spf = f.samplesPerFrame, total = full.size() / ch;
        std::vector<uint64_t> targets = {uint64_t(0),     uint64_t(1), spf - 1,     spf,   5 * spf + 17, 40 * spf + 3,
                                         total - spf + 5, total - 1,   uint64_t(3), total, total + 7};
        // And targets spread over the stream, at every phase of the filter bank's ring.
        for (uint64_t k = 1; k <= 24; ++k)
            targets.push_back(k * total / 25 + k * 37);
        for (uint64_t target : targets) {
            SCOPED_TRACE(target);
            if (target > total + 7)
                continue;
            // The end is a place to seek to; past it the seek is refused and nothing moves.
            const bool inside = target < total;
            ASSERT_EQ(OrvaneDecodeSeek(d, target), target <= total ? 1 : 0);
            std::vector<float> got(1500 * ch);
            const int64_t n = OrvaneDecodeReadFloat(d, got.data(), 1500);
            ASSERT_EQ(uint64_t(n), inside ? std::min<uint64_t>(1500, total - target) : 0u);
            EXPECT_EQ(OrvaneDecodeTell(d), std::min(target, total) + uint64_t(n));
            // The same arithmetic on the same decoder state: equal floats, so equal 16-bit
            // samples too.
            for (uint64_t i = 0; i < uint64_t(n) * ch; ++i)
                ASSERT_EQ(got[i], full[target * ch + i]) << "sample " << i;
            // A new handle's first seek (its decoder set up afresh) lands on the same samples.
            if (target > total)
                continue;
            OrvaneDecoder* first = OrvaneDecodeOpenFile(path.c_str());
            ASSERT_EQ(OrvaneDecodeSeek(first, target), 1);
            std::vector<float> again(1500 * ch);
            ASSERT_EQ(OrvaneDecodeReadFloat(first, again.data(), 1500), n);
            EXPECT_TRUE(std::equal(again.begin(), again.begin() + n * int64_t(ch), got.begin()));
            OrvaneDecodeClose(first);
        }
        OrvaneDecodeClose(d);
    }
}

INSTANTIATE_TEST_SUITE_P(AllPaths, DecodeApiPaths, ::testing::Values(0, 1, 2, 3), pathName);

// Eight threads each read eight handles on eight different streams in turns; every handle gives
// what a decode of its stream alone gives.
TEST(DecodeApi, EightThreadsOfEightHandlesMatchDecodesOneAtATime)
{
    SKIP_WITHOUT_CONFORMANCE();
    const char* const names[8] = {
        "l1-fl2", "l2-fl10", "l2-fl14", "l3-he_44khz", "l3-si", "l3-hecommon", "M2L3_bitrate_22_all", "M2L3_compl24"};
    std::vector<std::vector<float>> alone;
    for (const char* n : names)
        alone.push_back(decodePath(streamPath(n)));
    std::vector<std::vector<std::vector<float>>> got(8, std::vector<std::vector<float>>(8));
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            OrvaneDecoder* h[8];
            for (int i = 0; i < 8; ++i)
                h[i] = OrvaneDecodeOpenFile(streamPath(names[(t + i) % 8]).c_str());
            std::vector<float> buf(2 * 700);
            for (bool more = true; more;) {
                more = false;
                for (int i = 0; i < 8; ++i) {
                    OrvaneDecodeFormat f{};
                    OrvaneDecodeGetFormat(h[i], &f);
                    const int64_t n = OrvaneDecodeReadFloat(h[i], buf.data(), 700);
                    if (n > 0) {
                        got[t][i].insert(got[t][i].end(), buf.begin(), buf.begin() + n * f.channels);
                        more = true;
                    }
                }
            }
            for (OrvaneDecoder* d : h)
                OrvaneDecodeClose(d);
        });
    }
    for (std::thread& th : threads)
        th.join();
    for (int t = 0; t < 8; ++t)
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(got[t][i], alone[(t + i) % 8]) << "thread " << t << " handle " << i;
}

int64_t failingRead(void*, void*, int64_t)
{
    return -1;
}
int64_t greedyRead(void*, void*, int64_t bytes)
{
    return bytes + 1;
}
int64_t failingSeek(void*, int64_t, int32_t)
{
    return -1;
}

// Null and damaged arguments give the documented failure values; damaged streams (every
// robustness stream, and each conformance stream cut short) open or not, but never read out of
// bounds, hang or give a partial frame.
TEST(DecodeApi, HostileInputsAndArgumentsGiveTheFailureValues)
{
    float f[8];
    int16_t s[8];
    OrvaneDecodeFormat fmt;
    EXPECT_EQ(OrvaneDecodeOpenFile(nullptr), nullptr);
    EXPECT_EQ(OrvaneDecodeOpenFile(testsig::tempPath("missing.mp3").c_str()), nullptr);
    EXPECT_EQ(OrvaneDecodeOpenMemory(nullptr, 100), nullptr);
    EXPECT_EQ(OrvaneDecodeOpenMemory(f, 0), nullptr);
    EXPECT_EQ(OrvaneDecodeOpenCallbacks(nullptr, &CallbackFile::seek, nullptr), nullptr);
    CallbackFile empty;
    EXPECT_EQ(OrvaneDecodeOpenCallbacks(&CallbackFile::read, nullptr, &empty), nullptr);
    EXPECT_EQ(OrvaneDecodeGetFormat(nullptr, &fmt), 0);
    EXPECT_EQ(OrvaneDecodeReadFloat(nullptr, f, 1), -1);
    EXPECT_EQ(OrvaneDecodeReadInt16(nullptr, s, 1), -1);
    EXPECT_EQ(OrvaneDecodeSeek(nullptr, 0), 0);
    EXPECT_EQ(OrvaneDecodeSetGapless(nullptr, 0), 0);
    EXPECT_EQ(OrvaneDecodeTell(nullptr), 0u);
    char text[8];
    EXPECT_EQ(OrvaneDecodeGetTagText(nullptr, 0, text, 8), -1);
    OrvaneDecodeClose(nullptr);
    OrvaneStreamInfo info{};
    EXPECT_EQ(OrvaneGetStreamInfo(nullptr, 0, &info), 0);
    EXPECT_EQ(OrvaneGetStreamInfo(testsig::tempPath("missing.mp3").c_str(), 0, &info), 0);
    SKIP_WITHOUT_CONFORMANCE();

    CallbackFile good{testsig::readFile(streamPath("l2-fl12"))};
    EXPECT_EQ(OrvaneDecodeOpenCallbacks(&failingRead, &CallbackFile::seek, &good), nullptr);
    EXPECT_EQ(OrvaneDecodeOpenCallbacks(&greedyRead, &CallbackFile::seek, &good), nullptr);
    EXPECT_EQ(OrvaneDecodeOpenCallbacks(&failingRead, nullptr, &good), nullptr);
    EXPECT_EQ(OrvaneDecodeOpenCallbacks(&greedyRead, nullptr, &good), nullptr);
    EXPECT_EQ(OrvaneDecodeOpenCallbacks(&CallbackFile::read, &failingSeek, &good), nullptr);
    OrvaneDecoder* d = OrvaneDecodeOpenMemory(good.bytes.data(), good.bytes.size());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(OrvaneDecodeGetFormat(d, nullptr), 0);
    EXPECT_EQ(OrvaneDecodeReadFloat(d, nullptr, 1), -1);
    EXPECT_EQ(OrvaneDecodeReadInt16(d, s, -1), -1);
    EXPECT_EQ(OrvaneDecodeReadInt16(d, s, 0), 0);
    EXPECT_EQ(OrvaneDecodeSeek(d, UINT64_MAX), 0);
    EXPECT_EQ(OrvaneDecodeTell(d), 0u);
    EXPECT_EQ(OrvaneDecodeReadFloat(d, f, 4), 4);
    EXPECT_EQ(OrvaneDecodeSeek(d, 0), 1);
    EXPECT_EQ(OrvaneDecodeReadFloat(d, f, 4), 4);
    for (const int32_t field : {-1, 7})
        EXPECT_EQ(OrvaneDecodeGetTagText(d, field, text, 8), -1);
    EXPECT_EQ(OrvaneDecodeGetTagText(d, 0, text, -1), -1);
    EXPECT_EQ(OrvaneDecodeGetTagText(d, 0, nullptr, 4), -1);
    EXPECT_EQ(OrvaneDecodeGetTagText(d, 0, nullptr, 0), 0);
    OrvaneDecodeClose(d);
    EXPECT_EQ(OrvaneGetStreamInfo(streamPath("l2-fl12").c_str(), 0, nullptr), 0);
    EXPECT_EQ(OrvaneGetStreamInfo(streamPath("l2-fl12").c_str(), -1, &info), 0);
    ASSERT_EQ(OrvaneGetStreamInfo(streamPath("l2-fl12").c_str(), 0, &info), 1);
    EXPECT_EQ(info.layer, 2u);
    EXPECT_EQ(info.samples, info.frames * info.samplesPerFrame);

    std::vector<std::vector<uint8_t>> inputs;
    for (const char* n : {"l1-fl4", "l2-fl16", "l3-compl", "M2L3_noise"}) {
        const std::vector<uint8_t> b = testsig::readFile(streamPath(n));
        for (size_t cut : {size_t(1), size_t(4), size_t(417), b.size() / 3, b.size() - 1})
            inputs.emplace_back(b.begin(), b.begin() + std::min(cut, b.size()));
    }
    const std::string robustness = testsig::conformanceDir() + "/robustness/";
    for (const char* n : {"ILL2_center2", "ILL2_dual", "ILL2_dynx22", "ILL2_layer1", "ILL2_layer3", "ILL2_mono"})
        inputs.push_back(testsig::readFile(robustness + n + ".bit"));
    for (const std::vector<uint8_t>& in : inputs) {
        d = OrvaneDecodeOpenMemory(in.data(), in.size());
        if (d == nullptr)
            continue;
        ASSERT_EQ(OrvaneDecodeGetFormat(d, &fmt), 1);
        EXPECT_TRUE(fmt.channels == 1 || fmt.channels == 2);
        const std::vector<float> all = readAll<float>(d, 333);
        EXPECT_EQ(all.size() % (size_t(fmt.samplesPerFrame) * fmt.channels), 0u);
        OrvaneDecodeSeek(d, 5000);
        readAll<float>(d, 4096);
        OrvaneDecodeClose(d);
    }
}

}  // namespace
