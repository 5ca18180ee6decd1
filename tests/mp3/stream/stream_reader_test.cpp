#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>

#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"
#include "support/signal.h"
#include "tests/mp3/stream/frame_builder.h"

namespace {

using framebuild::FrameSpec;

struct TempFile {
    explicit TempFile(const std::string& name, const std::vector<uint8_t>& bytes) : path(testsig::tempPath(name))
    {
        framebuild::writeFile(path, bytes);
    }
    ~TempFile() { std::remove(path.c_str()); }
    std::string path;
};

// Reads every frame and returns the markers found at the start of each body.
std::vector<uint32_t> markers(const std::string& path, uint32_t offset = 0)
{
    auto reader = std::make_unique<StreamReader>(path.c_str(), offset);
    FrameHeader header;
    std::vector<uint32_t> found;
    while (header.readFrame(*reader, nullptr))
        found.push_back(reader->getBits(32));
    return found;
}

TEST(StreamReader, SkipsGarbageAndFalseHeadersBeforeAndBetweenFrames)
{
    FrameSpec s;
    std::vector<uint8_t> bytes = {0x00, 0xFF, 0x12, 0xFF, 0xF0};  // a lone 0xFF and a sync with layer 00
    bytes.push_back(0x00);
    // A plausible header of another sampling frequency whose successor is not where it says.
    FrameSpec other = s;
    other.rateIndex = 1;
    const auto lure = framebuild::frame(other, 97);
    bytes.insert(bytes.end(), lure.begin(), lure.begin() + 40);
    framebuild::append(bytes, framebuild::frame(s, 0));
    framebuild::append(bytes, framebuild::frame(s, 1));
    // A header of another sampling frequency, then one of MPEG-2, between two real frames.
    const auto fake = framebuild::frame(other, 99);
    bytes.insert(bytes.end(), fake.begin(), fake.begin() + 8);
    FrameSpec mpeg2 = s;
    mpeg2.version = 0;
    const auto fake2 = framebuild::frame(mpeg2, 98);
    bytes.insert(bytes.end(), fake2.begin(), fake2.begin() + 8);
    framebuild::append(bytes, framebuild::frame(s, 2));
    TempFile file("garbage.mp3", bytes);
    EXPECT_EQ(markers(file.path), (std::vector<uint32_t>{0, 1, 2}));
}

TEST(StreamReader, LoneFrameAndFrameBeforeTheEndAreAccepted)
{
    TempFile one("one.mp3", framebuild::frame(FrameSpec{}, 5));
    EXPECT_EQ(markers(one.path), (std::vector<uint32_t>{5}));
}

TEST(StreamReader, StartOffsetSkipsLeadingData)
{
    FrameSpec s;
    std::vector<uint8_t> bytes(300, 0xFF);  // would sync at once without the offset
    framebuild::append(bytes, framebuild::stream(s, 3, [](int) { return false; }));
    TempFile file("offset.mp3", bytes);
    EXPECT_EQ(markers(file.path, 300), (std::vector<uint32_t>{0, 1, 2}));
}

TEST(StreamReader, RejectedSearchAcrossBufferBoundaryRereadsGivenBackBytes)
{
    // Place a rejected candidate (0xFF 0xFB with a reserved rate) across the 64 KiB boundary at
    // each of the last positions of the first chunk, followed by a real frame.
    for (uint32_t back = 1; back <= 4; ++back) {
        FrameSpec s;
        std::vector<uint8_t> bytes;
        framebuild::append(bytes, framebuild::frame(s, 6));
        framebuild::append(bytes, framebuild::frame(s, 7));
        bytes.resize(StreamReader::kReadBufferBytes - back, 0x00);
        const uint8_t bad[4] = {0xFF, 0xFB, 0x9C, 0x00};  // sampling index 3
        bytes.insert(bytes.end(), bad, bad + 4);
        framebuild::append(bytes, framebuild::frame(s, 8));
        framebuild::append(bytes, framebuild::frame(s, 9));
        TempFile file("boundary.mp3", bytes);
        EXPECT_EQ(markers(file.path), (std::vector<uint32_t>{6, 7, 8, 9})) << "candidate " << back << " before the end";
    }
}

TEST(StreamReader, RejectedSearchAcrossShortFinalChunkRereadsCorrectly)
{
    // The second chunk is short (end of file), so given-back bytes lie before its contents.
    FrameSpec s;
    std::vector<uint8_t> bytes;
    framebuild::append(bytes, framebuild::frame(s, 0));
    framebuild::append(bytes, framebuild::frame(s, 1));
    bytes.resize(StreamReader::kReadBufferBytes - 2, 0x00);
    const uint8_t bad[4] = {0xFF, 0xFB, 0x9C, 0x00};
    bytes.insert(bytes.end(), bad, bad + 4);
    framebuild::append(bytes, framebuild::frame(s, 2));
    TempFile file("shortchunk.mp3", bytes);
    EXPECT_EQ(markers(file.path), (std::vector<uint32_t>{0, 1, 2}));
}

TEST(StreamReader, GetBitsAcrossWordsAndPastTheBody)
{
    FrameSpec s;
    auto f = framebuild::frame(s, 0x12345678);
    f[8] = 0x9A;
    f[9] = 0xBC;
    f.back() = 0xEE;
    TempFile file("bits.mp3", f);
    auto reader = std::make_unique<StreamReader>(file.path.c_str(), 0);
    FrameHeader header;
    ASSERT_TRUE(header.readFrame(*reader, nullptr));
    EXPECT_EQ(reader->getBits(4), 0x1u);
    EXPECT_EQ(reader->getBits(24), 0x234567u);
    EXPECT_EQ(reader->getBits(12), 0x89Au);  // crosses into the second word
    EXPECT_EQ(reader->getBits(32), 0xBC111111u);
    EXPECT_EQ(reader->bitsRead(), 72u);
    EXPECT_EQ(reader->getBits(0), 0u);
    EXPECT_EQ(reader->getBits(33), 0u);
    // Skip to the last body byte, then beyond the body and beyond the frame buffer.
    const uint32_t body = uint32_t(header.bodySize());
    while (reader->bitsRead() + 8 < body * 8)
        reader->getBits(8);
    EXPECT_EQ(reader->getBits(8), 0xEEu);
    EXPECT_EQ(reader->getBits(16), 0u);
    for (int i = 0; i < 1000; ++i)
        reader->getBits(32);
    EXPECT_EQ(reader->getBits(32), 0u);
}

TEST(StreamReader, GetBytesGivesWhatGetBitsWouldFromEveryBitAndLength)
{
    FrameSpec s;
    auto f = framebuild::frame(s, 0x12345678);
    for (size_t i = 8; i < f.size(); ++i)
        f[i] = static_cast<uint8_t>(i * 37 + 11);
    TempFile file("bytes.mp3", f);
    // From every bit offset of the first word, lengths up to beyond the frame buffer's end.
    for (uint32_t lead = 0; lead < 32; ++lead) {
        for (uint32_t n : {0u, 1u, 3u, 4u, 5u, 17u, 400u, StreamReader::kFrameBufferBytes + 9}) {
            StreamReader bytes(file.path.c_str(), 0), bits(file.path.c_str(), 0);
            FrameHeader h1, h2;
            ASSERT_TRUE(h1.readFrame(bytes, nullptr));
            ASSERT_TRUE(h2.readFrame(bits, nullptr));
            bytes.getBits(lead);
            bits.getBits(lead);
            std::vector<uint8_t> got(n + 1, 0xA5), want(n + 1, 0xA5);
            bytes.getBytes(got.data(), n);
            for (uint32_t i = 0; i < n; ++i)
                want[i] = static_cast<uint8_t>(bits.getBits(8));
            ASSERT_EQ(got, want) << "lead " << lead << " n " << n;
            ASSERT_EQ(bytes.bitsRead(), bits.bitsRead());
            ASSERT_EQ(bytes.getBits(32), bits.getBits(32));
        }
    }
}

// Random field widths (0..33) and byte runs from a random body, against a reader that takes
// one bit at a time from the bytes (zeros past the body), over many seeds: every word boundary
// and every offset in a word is crossed.
TEST(StreamReader, RandomFieldsMatchABitAtATimeReader)
{
    FrameSpec s;
    s.bitrateIndex = 14;  // 320 kbit/s: a 1044-byte frame
    auto f = framebuild::frame(s, 0);
    std::mt19937 rng(11);
    for (size_t i = 4; i < f.size(); ++i)
        f[i] = static_cast<uint8_t>(rng());
    TempFile file("fields.mp3", f);
    const size_t bodyBits = (f.size() - 4) * 8;
    for (int seed = 0; seed < 40; ++seed) {
        std::mt19937 pick{uint32_t(seed)};
        StreamReader reader(file.path.c_str(), 0);
        FrameHeader header;
        ASSERT_TRUE(header.readFrame(reader, nullptr));
        size_t at = 0;
        auto naive = [&](uint32_t n) {
            uint32_t v = 0;
            for (uint32_t k = 0; k < n; ++k, ++at)
                v = v << 1 | (at < bodyBits ? (f[4 + at / 8] >> (7 - at % 8)) & 1u : 0u);
            return v;
        };
        while (at < bodyBits + 200) {
            if (pick() % 8 == 0) {
                uint8_t got[9] = {}, want[9] = {};
                const uint32_t n = pick() % 9;
                reader.getBytes(got, n);
                for (uint32_t k = 0; k < n; ++k)
                    want[k] = static_cast<uint8_t>(naive(8));
                ASSERT_EQ(std::vector<uint8_t>(got, got + 9), std::vector<uint8_t>(want, want + 9)) << "bit " << at;
            } else {
                const uint32_t n = pick() % 34;
                const uint32_t want = n >= 1 && n <= 32 ? naive(n) : 0;
                ASSERT_EQ(reader.getBits(n), want) << "seed " << seed << " bit " << at << " width " << n;
            }
            ASSERT_EQ(reader.bitsRead(), at);
        }
    }
}

TEST(StreamReader, CutOffBodyAndMissingOrEmptyFilesEndTheStream)
{
    FrameSpec s;
    auto f = framebuild::frame(s, 1);
    f.resize(100);
    TempFile cut("cut.mp3", f);
    EXPECT_TRUE(markers(cut.path).empty());

    TempFile empty("empty.mp3", {});
    EXPECT_TRUE(markers(empty.path).empty());
    EXPECT_TRUE(markers("/nonexistent/file.mp3").empty());

    StreamReader reader(nullptr, 0);
    uint32_t h = 0;
    EXPECT_FALSE(reader.findHeader(h));
    EXPECT_FALSE(reader.readBody(10));
    EXPECT_EQ(reader.fileSize(), -1);
}

TEST(StreamReader, FreeFormatAndForbiddenBitratesAreNotFrames)
{
    FrameSpec s;
    std::vector<uint8_t> bytes;
    for (int index : {0, 15}) {
        FrameSpec bad = s;
        bad.bitrateIndex = index;
        auto f = framebuild::frame(bad, 5);
        f.resize(600, 0x11);  // a body the size no table can give
        framebuild::append(bytes, f);
    }
    TempFile file("freeformat.mp3", bytes);
    EXPECT_TRUE(markers(file.path).empty());
}

TEST(StreamReader, ShortFileGivesNoTagAndNoFirstHeaderBytes)
{
    TempFile tiny("tiny.mp3", {0xFF, 0xFB});
    StreamReader reader(tiny.path.c_str(), 0);
    EXPECT_FALSE(reader.vbrTagPresent());
    EXPECT_EQ(reader.firstHeaderBytes(), 0u);
    uint32_t h = 0;
    EXPECT_FALSE(reader.findHeader(h));
}

}  // namespace
