#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dsp/wavefile/wav_bytes.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

void putLe32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putLe16(std::vector<uint8_t>& b, uint16_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void putChunk(std::vector<uint8_t>& b, const char* id, const std::vector<uint8_t>& body)
{
    b.insert(b.end(), id, id + 4);
    putLe32(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1)
        b.push_back(0);
}

std::vector<uint8_t> fmtBody(uint16_t channels, uint32_t rate, uint16_t blockAlign, size_t bytes = 16, uint16_t tag = 1,
                             uint16_t bits = 16)
{
    std::vector<uint8_t> f;
    putLe16(f, tag);
    putLe16(f, channels);
    putLe32(f, rate);
    putLe32(f, rate * blockAlign);
    putLe16(f, blockAlign);
    putLe16(f, bits);
    f.resize(bytes, 0);
    return f;
}

// A stereo WAVE_FORMAT_EXTENSIBLE format chunk whose sub-format GUID carries subTag.
std::vector<uint8_t> extensibleBody(uint16_t bits, uint16_t validBits, uint16_t subTag, uint16_t cbSize = 22)
{
    const uint16_t align = static_cast<uint16_t>(2 * ((bits + 7) / 8));
    std::vector<uint8_t> f = fmtBody(2, 48000, align, 16, 0xFFFE, bits);
    putLe16(f, cbSize);
    putLe16(f, validBits);
    putLe32(f, 3);  // channel mask: front left and right
    putLe16(f, subTag);
    const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    f.insert(f.end(), tail, tail + 14);
    return f;
}

// A RIFF WAVE file from its chunks.
std::string writeWave(const std::string& name, const std::vector<uint8_t>& chunks, const char* form = "WAVE")
{
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    putLe32(file, static_cast<uint32_t>(chunks.size() + 4));
    file.insert(file.end(), form, form + 4);
    file.insert(file.end(), chunks.begin(), chunks.end());
    const std::string path = testsig::tempPath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    return path;
}

TEST(Wavefile, WriterLayoutAndOddDataPadding)
{
    const std::string path = testsig::tempPath("odd.wav");
    const OrvaneWaveFormat format = pcmFormat(2, 44100);
    void* out = initWavefileOut(path.c_str(), &format);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::memcmp(getFormatWavefileOut(out), &format, sizeof format), 0);
    std::vector<uint8_t> data(1001);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(writeWavefileOut(out, data.data(), 1000), 1000);
    EXPECT_EQ(writeWavefileOut(out, data.data() + 1000, 1), 1);
    EXPECT_EQ(flushWavefileOut(out), 1);
    EXPECT_EQ(termWavefileOut(out), 1001u);

    const std::vector<uint8_t> file = testsig::readFile(path);
    ASSERT_EQ(file.size(), 1048u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(le32(file, 4), 1040u);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32(file, 16), 18u);
    EXPECT_EQ(std::memcmp(file.data() + 20, &format, 18), 0);
    EXPECT_EQ(std::string(file.begin() + 38, file.begin() + 42), "data");
    EXPECT_EQ(le32(file, 42), 1001u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + 46));
    EXPECT_EQ(file[1047], 0);
}

TEST(Wavefile, RoundTripSeekAndReadPastTheEnd)
{
    const std::string path = testsig::tempPath("tone.wav");
    const OrvaneWaveFormat format = pcmFormat(2, 44100);
    // One second of stereo: 176400 data bytes, written in uneven pieces, one larger than the I/O buffer.
    const std::vector<int16_t> tone = testsig::sinePcm16(440.0, 44100.0, 44100, 2);
    void* out = initWavefileOut(path.c_str(), &format);
    const auto* bytes = reinterpret_cast<const uint8_t*>(tone.data());
    size_t done = 0;
    for (size_t piece : {13u, 4096u, 140000u, 1u}) {
        ASSERT_EQ(writeWavefileOut(out, bytes + done, static_cast<int32_t>(piece)), static_cast<int32_t>(piece));
        done += piece;
    }
    ASSERT_EQ(writeWavefileOut(out, bytes + done, static_cast<int32_t>(176400 - done)),
              static_cast<int32_t>(176400 - done));
    EXPECT_EQ(termWavefileOut(out), 176400u);

    void* in = initWavefileIn(path.c_str(), 1000);
    ASSERT_NE(in, nullptr);
    OrvaneWavefileHeader* h = getHeaderWavefileIn(in);
    EXPECT_EQ(+h->dataBytes, 176400u);
    EXPECT_EQ(+h->lastReadBytes, 0);
    EXPECT_FLOAT_EQ(+h->durationSeconds, 1.0f);
    EXPECT_EQ(+getFormatWavefileIn(in)->nChannels, 2);
    EXPECT_EQ(+getFormatWavefileIn(in)->cbSize, 0);

    std::vector<int16_t> back(tone.size());
    EXPECT_EQ(readWavefileIn(in, back.data(), 44100), 176400);
    EXPECT_EQ(back, tone);
    EXPECT_EQ(+h->buffer, back.data());
    EXPECT_EQ(readWavefileIn(in, nullptr, 10), 0);  // end of file
    EXPECT_EQ(+h->lastReadBytes, 0);

    EXPECT_EQ(seekWavefileIn(in, 0, 0), 46);
    EXPECT_EQ(timeSeekWavefileIn(in, 0.5f, 0), 46 + 88200);
    EXPECT_EQ(timeSeekWavefileIn(in, 0.25f, 1), 46 + 88200 + 44100);
    EXPECT_EQ(seekWavefileIn(in, -1000000, 1), -1);
    EXPECT_EQ(timeSeekWavefileIn(in, std::nanf(""), 0), 0);

    // The own buffer: reads with a null destination are clamped to its size.
    seekWavefileIn(in, 0, 0);
    EXPECT_EQ(readWavefileIn(in, nullptr, 5000), 4000);
    EXPECT_EQ(std::memcmp(h->buffer, tone.data(), 4000), 0);
    void* bigger = bufSizeExtendWavefileIn(in, 2000);
    ASSERT_NE(bigger, nullptr);
    EXPECT_EQ(+h->buffer, bigger);
    EXPECT_EQ(readWavefileIn(in, nullptr, 2000), 8000);
    EXPECT_EQ(bufSizeExtendWavefileIn(in, 0xFFFFFFFFu), nullptr);
    termWavefileIn(in);
}

TEST(Wavefile, ReaderSkipsOtherChunksAndTakesShortFormats)
{
    std::vector<uint8_t> chunks;
    putChunk(chunks, "fmt ", fmtBody(1, 8000, 2));
    putChunk(chunks, "LIST", std::vector<uint8_t>(17, 'x'));  // odd size: padded
    putChunk(chunks, "data", {1, 2, 3, 4});
    void* in = initWavefileIn(writeWave("list.wav", chunks).c_str(), 4);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(+getFormatWavefileIn(in)->cbSize, 0);
    EXPECT_EQ(+getHeaderWavefileIn(in)->dataBytes, 4u);
    int16_t s[2];
    EXPECT_EQ(readWavefileIn(in, s, 2), 4);
    EXPECT_EQ(s[0], 0x0201);
    termWavefileIn(in);

    // A longer "fmt " chunk keeps cbSize and skips its extra bytes.
    chunks.clear();
    std::vector<uint8_t> ext = fmtBody(2, 44100, 4, 40);
    ext[16] = 22;
    putChunk(chunks, "fmt ", ext);
    putChunk(chunks, "data", {0, 0, 0, 0});
    in = initWavefileIn(writeWave("ext.wav", chunks).c_str(), 4);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(+getFormatWavefileIn(in)->cbSize, 22);
    termWavefileIn(in);
}

// An extensible-format file of 16-bit PCM reads like the plain file it amounts to, and a writer
// given its format writes a plain one.
TEST(Wavefile, ExtensibleSixteenBitPcmReadsAsPlainPcm)
{
    const std::vector<uint8_t> samples = {0x01, 0x02, 0x03, 0x04, 0xFD, 0xFF, 0x00, 0x80};
    std::vector<uint8_t> chunks;
    putChunk(chunks, "fmt ", extensibleBody(16, 16, 1));
    putChunk(chunks, "data", samples);
    void* in = initWavefileIn(writeWave("ext16.wav", chunks).c_str(), 8);
    ASSERT_NE(in, nullptr);
    const OrvaneWaveFormat f = *getFormatWavefileIn(in);
    EXPECT_EQ(f.wFormatTag, 1);
    EXPECT_EQ(f.cbSize, 0);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(f.nSamplesPerSec, 48000u);
    int16_t s[4] = {};
    EXPECT_EQ(readWavefileIn(in, s, 8), 8);
    EXPECT_EQ(s[0], 0x0201);
    EXPECT_EQ(s[1], 0x0403);
    EXPECT_EQ(s[2], -3);
    EXPECT_EQ(s[3], -32768);
    EXPECT_EQ(readWavefileIn(in, s, 8), 0);
    termWavefileIn(in);

    const std::string copy = testsig::tempPath("ext16-copy.wav");
    void* out = initWavefileOut(copy.c_str(), &f);
    ASSERT_NE(out, nullptr);
    writeWavefileOut(out, samples.data(), static_cast<int32_t>(samples.size()));
    termWavefileOut(out);
    const std::vector<uint8_t> written = testsig::readFile(copy);
    ASSERT_GE(written.size(), 22u);
    EXPECT_EQ(written[20] | written[21] << 8, 1);  // format tag of the copy
}

// Each refusal with the reason it records.
TEST(Wavefile, BrokenFilesAreRefused)
{
    const std::vector<uint8_t> data = {0, 0, 0, 0};
    auto refuse = [](const std::string& path, int32_t code = DSP_ERROR_UNSUPPORTED, uint32_t frames = 16) {
        void* in = initWavefileIn(path.c_str(), frames);
        EXPECT_EQ(in, nullptr) << path;
        EXPECT_EQ(dspLastErrorCode(), code) << path << ": " << dspLastError();
        termWavefileIn(in);
    };
    auto with = [&](const std::vector<uint8_t>& fmt, const char* name) {
        std::vector<uint8_t> chunks;
        putChunk(chunks, "fmt ", fmt);
        putChunk(chunks, "data", data);
        return writeWave(name, chunks);
    };
    refuse(with(fmtBody(0, 44100, 0), "nochannels.wav"));
    refuse(with(fmtBody(2, 0, 4), "norate.wav"));
    refuse(with(fmtBody(2, 44100, 3), "badalign.wav"));
    refuse(with(fmtBody(2, 44100, 4, 12), "shortfmt.wav"), DSP_ERROR_TRUNCATED);
    refuse(with(fmtBody(2, 44100, 4), "hugebuffer.wav"), DSP_ERROR_BAD_ARGUMENT, 0x7FFFFFFFu);
    // Sample formats other than 16-bit integer PCM: the reader's frames are 2 bytes per channel.
    refuse(with(fmtBody(2, 44100, 2, 16, 1, 8), "pcm8.wav"));
    refuse(with(fmtBody(2, 44100, 6, 16, 1, 24), "pcm24.wav"));
    refuse(with(fmtBody(2, 44100, 8, 16, 3, 32), "float.wav"));
    EXPECT_NE(std::string(dspLastError()).find("32-bit"), std::string::npos) << dspLastError();
    refuse(with(fmtBody(2, 44100, 4, 16, 2, 16), "adpcm.wav"));
    refuse(with(extensibleBody(24, 24, 1), "ext24.wav"));
    refuse(with(extensibleBody(32, 32, 3), "extfloat.wav"));
    refuse(with(extensibleBody(16, 16, 3), "ext16float.wav"));
    refuse(with(extensibleBody(16, 20, 1), "extvalid20.wav"));
    refuse(with(extensibleBody(16, 16, 1, 0), "extnocb.wav"));
    std::vector<uint8_t> shortExt = extensibleBody(16, 16, 1);
    shortExt.resize(24);
    refuse(with(shortExt, "extshort.wav"));

    std::vector<uint8_t> chunks;
    putChunk(chunks, "fmt ", fmtBody(2, 44100, 4));
    refuse(writeWave("nodata.wav", chunks), DSP_ERROR_TRUNCATED);
    refuse(writeWave("avi.wav", chunks, "AVI "));

    // A "fmt " chunk that claims more bytes than the file holds.
    chunks.clear();
    chunks.insert(chunks.end(), {'f', 'm', 't', ' '});
    putLe32(chunks, 0xFFFFFFF0u);
    const std::vector<uint8_t> body = fmtBody(2, 44100, 4);
    chunks.insert(chunks.end(), body.begin(), body.end());
    refuse(writeWave("hugefmt.wav", chunks), DSP_ERROR_TRUNCATED);

    refuse(testsig::tempPath("does-not-exist.wav"), DSP_ERROR_CANNOT_OPEN);
    refuse(writeWave("empty.wav", {}), DSP_ERROR_TRUNCATED);
}

// Every header byte of a good file replaced by hostile values: opening, reading and seeking must
// stay within bounds (run under the sanitizers) and whatever opens has a usable format.
TEST(Wavefile, CorruptHeadersAreHandledSafely)
{
    std::vector<uint8_t> chunks;
    putChunk(chunks, "fmt ", fmtBody(2, 44100, 4, 18));
    putChunk(chunks, "LIST", std::vector<uint8_t>(6, 'x'));
    putChunk(chunks, "data", std::vector<uint8_t>(64, 7));
    const std::vector<uint8_t> good = testsig::readFile(writeWave("good.wav", chunks));
    const std::string path = testsig::tempPath("corrupt.wav");
    std::vector<int16_t> dst(4096);
    for (size_t at = 0; at < 72; ++at) {
        for (uint8_t v : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = good;
            bad[at] = v;
            FILE* f = std::fopen(path.c_str(), "wb");
            std::fwrite(bad.data(), 1, bad.size(), f);
            std::fclose(f);
            void* in = initWavefileIn(path.c_str(), 64);
            if (in == nullptr)
                continue;
            EXPECT_GT(+getFormatWavefileIn(in)->nChannels, 0);
            EXPECT_GT(+getFormatWavefileIn(in)->nSamplesPerSec, 0u);
            readWavefileIn(in, nullptr, 1000);
            readWavefileIn(in, dst.data(), 1000);
            seekWavefileIn(in, 0, 0);
            timeSeekWavefileIn(in, 1e9f, 1);
            termWavefileIn(in);
        }
    }
}

TEST(Wavefile, NullHandlesAndBadArgumentsGiveTheFailureValue)
{
    EXPECT_EQ(initWavefileIn(nullptr, 16), nullptr);
    EXPECT_EQ(readWavefileIn(nullptr, nullptr, 16), 0);
    EXPECT_EQ(seekWavefileIn(nullptr, 0, 0), 0);
    EXPECT_EQ(timeSeekWavefileIn(nullptr, 0.5f, 0), 0);
    EXPECT_EQ(getHeaderWavefileIn(nullptr), nullptr);
    EXPECT_EQ(getFormatWavefileIn(nullptr), nullptr);
    EXPECT_EQ(bufSizeExtendWavefileIn(nullptr, 16), nullptr);
    termWavefileIn(nullptr);
    const OrvaneWaveFormat format = pcmFormat(1, 8000);
    EXPECT_EQ(initWavefileOut(nullptr, &format), nullptr);
    EXPECT_EQ(initWavefileOut(testsig::tempPath("nofmt.wav").c_str(), nullptr), nullptr);
    EXPECT_EQ(initWavefileOut("/nonexistent-dir/x.wav", &format), nullptr);
    EXPECT_EQ(writeWavefileOut(nullptr, "ab", 2), 0);
    EXPECT_EQ(flushWavefileOut(nullptr), 0);
    EXPECT_EQ(getFormatWavefileOut(nullptr), nullptr);
    EXPECT_EQ(termWavefileOut(nullptr), 0u);

    void* out = initWavefileOut(testsig::tempPath("args.wav").c_str(), &format);
    EXPECT_EQ(writeWavefileOut(out, nullptr, 4), 0);
    EXPECT_EQ(writeWavefileOut(out, "ab", -2), 0);
    EXPECT_EQ(writeWavefileOut(out, "ab", 0), 0);
    EXPECT_EQ(termWavefileOut(out), 0u);
}

}  // namespace
