#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "orvane/mp3.h"
#include "support/signal.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testsig::readFile;
using testsig::writeFile;

constexpr uint32_t kRate = 44100;

// Tones that differ per seed, so that joined parts and shifted output are told apart.
std::vector<int16_t> source(double seconds, int seed)
{
    const size_t frames = size_t(kRate * seconds);
    std::vector<int16_t> pcm(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double env = std::min({1.0, t * 8, (seconds - t) * 8});
        pcm[2 * i] = int16_t(12000 * env * std::sin(2 * M_PI * (300 + 70 * seed) * t));
        pcm[2 * i + 1] = int16_t(12000 * env * std::sin(2 * M_PI * (450 + 50 * seed) * t));
    }
    return pcm;
}

// lame's encoding of pcm with the given options; empty when lame is missing.
Bytes encode(const std::vector<int16_t>& pcm, const std::string& options)
{
    const std::string wav = testsig::tempPath("edited-src.wav");
    const std::string mp3 = testsig::tempPath("edited-src.mp3");
    testsig::writeWavPcm16(wav, pcm, 2, kRate);
    if (std::system(("lame --quiet " + options + " " + wav + " " + mp3 + " 2>/dev/null").c_str()) != 0)
        return {};
    Bytes bytes = readFile(mp3);
    std::remove(wav.c_str());
    std::remove(mp3.c_str());
    return bytes;
}

// Offset of the Info tag's name in a lame encoding (MPEG-1 stereo, no ID3v2: 4 + 32).
constexpr size_t kInfoAt = 36;

void putBig32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

Bytes withFrameCount(Bytes b, uint32_t frames)
{
    putBig32(b, kInfoAt + 8, frames);
    return b;
}

// The LAME extension's padding (12 bits after the 12-bit delay, 21 bytes into it).
Bytes withPadding(Bytes b, uint32_t padding)
{
    const size_t at = kInfoAt + 8 + 4 + 4 + 100 + 4 + 21;
    b[at + 1] = uint8_t((b[at + 1] & 0xF0) | (padding >> 8));
    b[at + 2] = uint8_t(padding);
    return b;
}

Bytes joined(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

double snrDb(const std::vector<int16_t>& src, const std::vector<int16_t>& out)
{
    double signal = 0.0, noise = 0.0;
    for (size_t i = 0; i < std::min(src.size(), out.size()); ++i) {
        signal += double(src[i]) * src[i];
        noise += (double(out[i]) - src[i]) * (out[i] - src[i]);
    }
    return 10.0 * std::log10(signal / std::max(noise, 1.0));
}

// Edited and joined files as users meet them: each is delivered whole (the source's length where
// it is known) and every face of the library gives that one length.
TEST(EditedStreams, DecodeToTheirPartsLengthsAndAgreeOnIt)
{
    const std::vector<int16_t> a = source(3.0, 1);
    const std::vector<int16_t> b = source(2.0, 2);
    const Bytes mp3a = encode(a, "-b 128");
    const Bytes mp3b = encode(b, "-b 128");
    const Bytes freeFormat = encode(a, "--freeformat -b 200");
    if (mp3a.empty() || mp3b.empty() || freeFormat.empty())
        GTEST_SKIP() << "lame is missing";
    ASSERT_EQ(std::memcmp(mp3a.data() + kInfoAt, "Info", 4), 0);
    std::vector<int16_t> ab = a;
    ab.insert(ab.end(), b.begin(), b.end());

    Bytes junk(3000);
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = uint8_t((i * 7919 + (i >> 3) * 31) ^ (i % 5 == 0 ? 0xFF : 0xE7));
    Bytes badApe = mp3a;
    const char footer[] = "APETAGEX";
    badApe.insert(badApe.end(), footer, footer + 8);
    const uint8_t fields[24] = {0xD0, 0x07, 0, 0, 0x40, 0x9C, 0, 0, 1};  // version 2000, size 40,000, 1 item
    badApe.insert(badApe.end(), fields, fields + sizeof fields);
    const Bytes truncated(mp3a.begin(), mp3a.begin() + long(mp3a.size() * 6 / 10));

    struct Case {
        const char* name;
        Bytes bytes;
        const std::vector<int16_t>* expected;  // null: only the one length is checked
    };
    const Case cases[] = {
        {"plain", mp3a, &a},
        {"joined", joined(mp3a, mp3b), &ab},
        {"stale count", withFrameCount(mp3a, 1), &a},
        {"huge count", withFrameCount(mp3a, 0x7FFFFFF0u), &a},
        {"bad APE size", badApe, &a},
        {"junk prefix", joined(junk, mp3a), &a},
        {"padding below the decoder's delay", withPadding(mp3a, 100), nullptr},
        {"truncated", truncated, nullptr},
        {"free format", freeFormat, &a},
    };
    const std::string path = testsig::tempPath("edited.mp3");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path, c.bytes);
        OrvaneDecoder* d = OrvaneDecodeOpenFile(path.c_str());
        ASSERT_NE(d, nullptr);
        OrvaneDecodeFormat format{};
        ASSERT_EQ(OrvaneDecodeGetFormat(d, &format), 1);
        std::vector<int16_t> out(size_t(format.totalFrames + 10000) * 2);
        const int64_t got = OrvaneDecodeReadInt16(d, out.data(), int64_t(out.size() / 2));
        EXPECT_EQ(uint64_t(got), format.totalFrames);
        out.resize(size_t(got) * 2);
        if (c.expected != nullptr) {
            EXPECT_EQ(out.size(), c.expected->size());
            EXPECT_GT(snrDb(*c.expected, out), 20.0);
        }
        EXPECT_EQ(OrvaneGetTotalMs(path.c_str(), 0), int32_t(format.totalFrames * 1000 / kRate));
        const CliResult info = runOrvane("info " + path);
        EXPECT_NEAR(std::atof(infoLine(info.out, "duration:").c_str()), double(format.totalFrames) / kRate, 0.001);

        // A seek lands where the full decode is; the end is a place too; past it nothing moves.
        const uint64_t middle = format.totalFrames / 2 + 17;
        ASSERT_EQ(OrvaneDecodeSeek(d, middle), 1);
        std::vector<int16_t> part(2000);
        ASSERT_EQ(OrvaneDecodeReadInt16(d, part.data(), 1000), 1000);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), out.begin() + long(middle * 2)));
        EXPECT_EQ(OrvaneDecodeSeek(d, format.totalFrames), 1);
        EXPECT_EQ(OrvaneDecodeReadInt16(d, part.data(), 1000), 0);
        EXPECT_EQ(OrvaneDecodeSeek(d, format.totalFrames + 1), 0);
        EXPECT_EQ(OrvaneDecodeTell(d), format.totalFrames);
        OrvaneDecodeClose(d);
    }
    std::remove(path.c_str());
}

}  // namespace
