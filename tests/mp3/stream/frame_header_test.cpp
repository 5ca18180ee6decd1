#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"
#include "support/signal.h"
#include "tests/mp3/stream/frame_builder.h"

namespace {

using framebuild::FrameSpec;

struct Opened {
    explicit Opened(const std::vector<uint8_t>& bytes, const char* name = "frames.mp3") : path(testsig::tempPath(name))
    {
        framebuild::writeFile(path, bytes);
        reader = std::make_unique<StreamReader>(path.c_str(), 0);
    }
    ~Opened() { std::remove(path.c_str()); }
    bool next() { return header.readFrame(*reader, nullptr); }
    uint32_t marker() { return reader->getBits(32); }
    std::string path;
    std::unique_ptr<StreamReader> reader;
    FrameHeader header;
};

TEST(FrameHeader, Layer3SizesAt44kWithAndWithoutPadding)
{
    FrameSpec s;  // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, stereo, no CRC
    std::vector<uint8_t> bytes = framebuild::frame(s, 0);
    s.padding = 1;
    framebuild::append(bytes, framebuild::frame(s, 1));
    ASSERT_EQ(bytes.size(), 417u + 418u);
    Opened f(bytes);
    ASSERT_TRUE(f.next());
    EXPECT_EQ(f.header.bodySize(), 413);
    EXPECT_EQ(f.header.mainDataSize(), 381);
    EXPECT_EQ(f.header.bitrate(), 128);
    ASSERT_TRUE(f.next());
    EXPECT_EQ(f.header.bodySize(), 414);
    EXPECT_EQ(f.header.padding(), 1);
    EXPECT_EQ(f.marker(), 1u);
    EXPECT_FALSE(f.next());
}

TEST(FrameHeader, MainDataSizeFollowsSideInfoAndCrc)
{
    struct Case {
        int version, mode, protection, bitrateIndex, rateIndex, mainData;
    } cases[] = {
        {1, 3, 1, 9, 0, 417 - 17 - 4},      // MPEG-1 single channel
        {1, 0, 0, 9, 0, 417 - 32 - 2 - 4},  // with CRC
        {0, 0, 1, 8, 1, 192 - 17 - 4},      // MPEG-2 stereo, 64 kbit/s at 24 kHz
        {0, 3, 1, 8, 1, 192 - 9 - 4},       // MPEG-2 single channel
    };
    for (const Case& c : cases) {
        FrameSpec s;
        s.version = c.version;
        s.mode = c.mode;
        s.protection = c.protection;
        s.bitrateIndex = c.bitrateIndex;
        s.rateIndex = c.rateIndex;
        Opened f(framebuild::frame(s, 0));
        ASSERT_TRUE(f.next());
        EXPECT_EQ(f.header.mainDataSize(), c.mainData) << "version " << c.version << " mode " << c.mode;
        EXPECT_EQ(f.header.protectionBit(), c.protection);
    }
}

TEST(FrameHeader, Layer2SubbandLimitsFollowTheBitratePerChannel)
{
    // Allocation tables by bitrate per channel: 32 and 48 kbit/s use the 8 (12 at 32 kHz)
    // subband tables; 56 to 80 the 27 subband table; above that 30, except at 48 kHz (27).
    struct Case {
        int mode, bitrateIndex, rateIndex, subbands;
    } cases[] = {
        {3, 2, 1, 8},                   // 48 kbit/s single channel at 48 kHz
        {3, 2, 2, 12},                  // at 32 kHz
        {3, 1, 0, 8},                   // 32 kbit/s single channel at 44.1 kHz
        {0, 4, 1, 8},                   // 64 kbit/s stereo = 32 per channel at 48 kHz
        {0, 4, 2, 12},                  // at 32 kHz
        {0, 6, 1, 8},                   // 96 stereo = 48 per channel
        {0, 6, 2, 12},  {3, 3, 1, 27},  // 56 kbit/s single channel
        {0, 7, 2, 27},                  // 112 stereo = 56 per channel at 32 kHz
        {0, 9, 0, 27},                  // 160 stereo = 80 per channel at 44.1 kHz
        {0, 10, 0, 30},                 // 192 stereo = 96 per channel at 44.1 kHz
        {0, 11, 1, 27},                 // at 48 kHz
        {3, 14, 2, 30},                 // 384 single channel at 32 kHz
    };
    for (const Case& c : cases) {
        FrameSpec s;
        s.layer = 2;
        s.mode = c.mode;
        s.bitrateIndex = c.bitrateIndex;
        s.rateIndex = c.rateIndex;
        Opened f(framebuild::frame(s, 0));
        ASSERT_TRUE(f.next());
        EXPECT_EQ(f.header.subbands(), c.subbands)
            << "mode " << c.mode << " bitrate index " << c.bitrateIndex << " rate index " << c.rateIndex;
    }
    // The lower sampling frequencies have one allocation table of 30 subbands.
    FrameSpec lsf;
    lsf.version = 0;
    lsf.layer = 2;
    lsf.bitrateIndex = 12;
    lsf.rateIndex = 1;
    Opened f(framebuild::frame(lsf, 0));
    ASSERT_TRUE(f.next());
    EXPECT_EQ(f.header.subbands(), 30);
    EXPECT_EQ(f.header.bodySize(), 768 - 4);  // 1152 samples per frame, like MPEG-1
}

TEST(FrameHeader, IntensityBoundIsLimitedToSubbands)
{
    FrameSpec s;
    s.layer = 2;
    s.mode = 1;
    s.bitrateIndex = 4;  // 32 kbit/s per channel: 8 subbands at 48 kHz
    s.rateIndex = 1;
    auto f = framebuild::frame(s, 0);
    f[3] |= 0x30;  // mode extension 3: bound 16
    Opened o(f);
    ASSERT_TRUE(o.next());
    EXPECT_EQ(o.header.subbands(), 8);
    EXPECT_EQ(o.header.intensityBound(), 8);
}

TEST(FrameHeader, TimePerFrameUsesSamplesPerFrameOfEveryVersionAndLayer)
{
    struct Case {
        int version, layer, bitrateIndex, rateIndex;
        float ms;
    } cases[] = {
        {1, 1, 12, 0, 384000.0f / 44100},
        {1, 2, 9, 1, 24.0f},
        {1, 3, 9, 2, 36.0f},
        {0, 1, 12, 0, 384000.0f / 22050},
        {0, 2, 12, 1, 1152000.0f / 24000},
        {0, 3, 8, 2, 576000.0f / 16000},
    };
    for (const Case& c : cases) {
        FrameSpec s;
        s.version = c.version;
        s.layer = c.layer;
        s.bitrateIndex = c.bitrateIndex;
        s.rateIndex = c.rateIndex;
        auto bytes = framebuild::stream(s, 10, [](int) { return false; });
        Opened f(bytes);
        ASSERT_TRUE(f.next());
        EXPECT_NEAR(f.header.msPerFrame(), c.ms, 1e-3) << "version " << c.version << " layer " << c.layer;
        EXPECT_EQ(f.header.totalFrames(*f.reader), 10);
        EXPECT_NEAR(f.header.totalMs(*f.reader), 10 * c.ms, 1e-2);
    }
}

TEST(FrameHeader, TotalFramesAt44kCountsPaddedFramesByTheirMeanLength)
{
    // 128 kbit/s at 44.1 kHz: 417.96 bytes per frame on average.
    FrameSpec s;
    int acc = 0;
    auto bytes = framebuild::stream(s, 500, [&](int) {
        acc += 96;  // 0.96 padding bytes per frame
        if (acc >= 100) {
            acc -= 100;
            return true;
        }
        return false;
    });
    Opened f(bytes);
    ASSERT_TRUE(f.next());
    EXPECT_EQ(f.header.totalFrames(*f.reader), 500);
}

// A stream may change rate and channel count where the frames of the new format follow one
// another; a lone header of another format in junk, or a last frame no other confirms, is not
// taken for a change.
TEST(FrameHeader, FormatChangesNeedFramesThatKeepTheNewFormat)
{
    FrameSpec a;  // 44.1 kHz stereo
    FrameSpec b;  // 48 kHz single channel
    b.rateIndex = 1;
    b.mode = 3;
    FrameSpec c;  // 32 kHz
    c.rateIndex = 2;
    std::vector<uint8_t> bytes;
    for (uint32_t m = 1; m <= 3; ++m)
        framebuild::append(bytes, framebuild::frame(a, m));
    std::vector<uint8_t> stray = framebuild::frame(b, 0);
    stray.resize(40, 0x00);
    framebuild::append(bytes, stray);
    framebuild::append(bytes, framebuild::frame(a, 4));
    for (uint32_t m = 100; m < 104; ++m)
        framebuild::append(bytes, framebuild::frame(b, m));
    for (uint32_t m = 5; m <= 8; ++m)
        framebuild::append(bytes, framebuild::frame(a, m));
    framebuild::append(bytes, framebuild::frame(c, 200));

    Opened f(bytes);
    const uint32_t expected[] = {1, 2, 3, 4, 100, 101, 102, 103, 5, 6, 7, 8};
    for (uint32_t m : expected) {
        ASSERT_TRUE(f.next()) << m;
        EXPECT_EQ(f.marker(), m);
        EXPECT_EQ(f.header.sampleRate(), m >= 100 ? 48000 : 44100);
        EXPECT_EQ(f.header.channels(), m >= 100 ? 1 : 2);
    }
    EXPECT_FALSE(f.next());
}

// 44.1 kHz streams: padding varies, the padding table carries the seeks.
void checkSeeks44k(FrameSpec s, int frames)
{
    auto bytes = framebuild::stream(s, frames, [](int i) { return i % 3 != 1; });
    Opened f(bytes);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(f.next());
    // Beyond the furthest frame read, then backward, then forward to a visited frame.
    for (int target : {25, 3, 0, 24, 26, frames - 1, 12}) {
        ASSERT_TRUE(f.header.seekFrame(*f.reader, target)) << "target " << target;
        EXPECT_EQ(f.reader->frameIndex(), target);
        EXPECT_EQ(f.marker(), uint32_t(target)) << "target " << target;
        EXPECT_EQ(f.header.padding(), target % 3 != 1 ? 1 : 0);
    }
    // Reading on from a seek continues with the following frame.
    ASSERT_TRUE(f.next());
    EXPECT_EQ(f.marker(), 13u);
    EXPECT_FALSE(f.header.seekFrame(*f.reader, -1));
    EXPECT_FALSE(f.header.seekFrame(*f.reader, frames));
    EXPECT_FALSE(f.header.seekFrame(*f.reader, 0x7FFFFFFF));
}

TEST(FrameHeader, FrameSeeksAt44kLandOnTheFrameStartingThere)
{
    checkSeeks44k(FrameSpec{}, 40);
}

TEST(FrameHeader, FrameSeeksInLayer1At44kCountFourBytePaddingSlots)
{
    FrameSpec s;
    s.layer = 1;
    s.bitrateIndex = 12;
    checkSeeks44k(s, 40);
}

TEST(FrameHeader, FrameSeeksAt48kAnd32kAndRejectedTargetsLeaveThePositionAlone)
{
    for (int rateIndex : {1, 2}) {
        FrameSpec s;
        s.rateIndex = rateIndex;
        Opened f(framebuild::stream(s, 30, [](int) { return false; }));
        ASSERT_TRUE(f.next());
        for (int target : {17, 2, 29, 0}) {
            ASSERT_TRUE(f.header.seekFrame(*f.reader, target));
            EXPECT_EQ(f.reader->frameIndex(), target);
            EXPECT_EQ(f.marker(), uint32_t(target));
        }
        EXPECT_FALSE(f.header.seekFrame(*f.reader, -5));
        EXPECT_FALSE(f.header.seekFrame(*f.reader, 31));
        ASSERT_TRUE(f.next());
        EXPECT_EQ(f.marker(), 1u);
        EXPECT_EQ(f.reader->frameIndex(), 1);
    }
}

TEST(FrameHeader, SeekBeforeAnyFrameFails)
{
    Opened f(framebuild::stream(FrameSpec{}, 3, [](int) { return false; }));
    EXPECT_FALSE(f.header.seekFrame(*f.reader, 1));
    EXPECT_FALSE(f.header.seekPercent(*f.reader, 50.0f));
}

// A VBR stream: the first frame carries a tag with a table of contents; the audio frames
// alternate between two bitrates.
struct VbrStream {
    std::vector<uint8_t> bytes;
    std::vector<int64_t> starts;  // of every frame, tag frame included
};

VbrStream makeVbr(FrameSpec s, int frames, bool padSome)
{
    VbrStream v;
    v.bytes = framebuild::frame(s, 0xFFFFFFFFu);
    v.starts.push_back(0);
    for (int i = 0; i < frames; ++i) {
        FrameSpec f = s;
        f.bitrateIndex = i % 2 ? 5 : 11;
        f.padding = padSome && i % 4 == 2 ? 1 : 0;
        v.starts.push_back(int64_t(v.bytes.size()));
        framebuild::append(v.bytes, framebuild::frame(f, uint32_t(i)));
    }
    // Tag after the 32 bytes of side information: frames, bytes and table of contents.
    const uint32_t total = uint32_t(v.bytes.size());
    uint8_t* t = v.bytes.data() + 36;
    const uint32_t fields[3] = {0x7u, uint32_t(frames), total};
    std::memcpy(t, "Xing", 4);
    for (int k = 0; k < 3; ++k)
        for (int b = 0; b < 4; ++b)
            t[4 + 4 * k + b] = uint8_t(fields[k] >> (24 - 8 * b));
    for (int p = 0; p < 100; ++p)
        t[16 + p] = uint8_t(v.starts[size_t(1 + p * frames / 100)] * 256 / total);
    return v;
}

TEST(FrameHeader, PercentSeeksLandOnRealHeaders)
{
    FrameSpec s;
    s.rateIndex = 1;
    const int frames = 200;
    VbrStream v = makeVbr(s, frames, false);
    Opened f(v.bytes, "vbr.mp3");
    // The tag is read with the first frame.
    ASSERT_TRUE(f.next());
    ASSERT_TRUE(f.reader->vbrTagPresent());
    EXPECT_EQ(f.reader->vbrInfo().frames, frames);
    EXPECT_EQ(f.header.totalFrames(*f.reader), frames);
    for (float p : {0.0f, 10.0f, 33.3f, 50.0f, 99.5f, 100.0f, 250.0f, -3.0f}) {
        ASSERT_TRUE(f.header.seekPercent(*f.reader, p)) << p;
        const uint32_t m = f.marker();
        ASSERT_LT(m, uint32_t(frames)) << p;
        // The marker names the frame, so the landing is a real header of that frame.
        const double wanted = std::min(std::max(double(p), 0.0), 100.0) * frames / 100.0;
        EXPECT_NEAR(double(m), wanted, 3.0) << p;
        EXPECT_EQ(f.reader->frameIndex(), int32_t(wanted)) << p;
    }
    // 100 % interpolates towards 256: it lands on one of the last frames, not past the end.
    ASSERT_TRUE(f.header.seekPercent(*f.reader, 100.0f));
    EXPECT_GE(f.marker(), uint32_t(frames - 3));
}

TEST(FrameHeader, PercentSeekLandsOnFramesOfOtherBitratePaddingAndModeExtension)
{
    FrameSpec s;  // 44.1 kHz joint stereo
    s.mode = 1;
    const int frames = 100;
    VbrStream v = makeVbr(s, frames, true);
    // Frame 2 (padded, at starts[3]) also gets another mode extension; a lure with another
    // sampling frequency sits just before it, where every table entry points.
    v.bytes[size_t(v.starts[3]) + 3] |= 0x20;
    const int64_t total = int64_t(v.bytes.size());
    const uint8_t entry = uint8_t((v.starts[3] - 8) * 256 / (total - 256));
    const int64_t landing = entry * (total - 256) / 256;
    ASSERT_GT(landing, v.starts[2]);
    ASSERT_LE(landing + 4, v.starts[3]);
    const uint8_t lure[4] = {0xFF, 0xFB, 0x94, 0x40};  // 48 kHz
    std::memcpy(&v.bytes[size_t(landing)], lure, 4);
    for (int p = 0; p < 100; ++p)
        v.bytes[36 + 16 + size_t(p)] = entry;
    Opened f(v.bytes, "vbrpad.mp3");
    ASSERT_TRUE(f.next());
    ASSERT_TRUE(f.header.seekPercent(*f.reader, 0.0f));
    EXPECT_EQ(f.marker(), 2u);
    EXPECT_EQ(f.header.padding(), 1);
    EXPECT_EQ(f.header.modeExtension(), 2);
}

TEST(FrameHeader, PercentSeekWithoutTagFails)
{
    Opened f(framebuild::stream(FrameSpec{}, 20, [](int) { return false; }));
    ASSERT_TRUE(f.next());
    EXPECT_FALSE(f.reader->vbrTagPresent());
    EXPECT_FALSE(f.header.seekPercent(*f.reader, 50.0f));
}

TEST(FrameHeader, CrcOfProtectedFrameStartsWithHeaderBits)
{
    FrameSpec s;
    s.protection = 0;
    auto bytes = framebuild::frame(s, 0xABCD0000u);  // CRC word 0xABCD
    Opened f(bytes);
    Crc16* crc = nullptr;
    ASSERT_TRUE(f.header.readFrame(*f.reader, &crc));
    ASSERT_NE(crc, nullptr);
    EXPECT_EQ(f.header.frameCrc(), 0xABCD);
    Crc16 expected;
    expected.addBits(framebuild::headerWord(s) & 0xFFFF, 16);
    EXPECT_EQ(crc->value(), expected.value());

    Opened plain(framebuild::frame(FrameSpec{}, 0));
    crc = reinterpret_cast<Crc16*>(&plain);
    ASSERT_TRUE(plain.header.readFrame(*plain.reader, &crc));
    EXPECT_EQ(crc, nullptr);
}

TEST(Crc16, MatchesBitwiseDefinition)
{
    // "123456789" under CRC-16 with polynomial 0x8005, preset 0xFFFF, no reflection: 0xAEE7.
    Crc16 crc;
    for (const char* p = "123456789"; *p; ++p)
        crc.addBits(uint8_t(*p), 8);
    EXPECT_EQ(crc.value(), 0xAEE7);
    crc.reset();
    crc.addBits(0x3132, 16);
    Crc16 byBytes;
    byBytes.addBits(0x31, 8);
    byBytes.addBits(0x32, 8);
    EXPECT_EQ(crc.value(), byBytes.value());
    crc.addBits(0xFFFFFFFF, 0);
    EXPECT_EQ(crc.value(), byBytes.value());
}

}  // namespace
