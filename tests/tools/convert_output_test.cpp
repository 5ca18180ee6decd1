#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "orvane/mp3.h"
#include "support/signal.h"
#include "support/vector_path.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFrames = 2 * kRate;
constexpr double kAmplitude = 0.5;  // of full scale
constexpr double kToneHz = 1000.0;

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A lame-made stereo stream of a 1 kHz tone at half of full scale in both channels, kFrames long
// once decoded gaplessly; "" when lame is missing.
std::string lameTone(const std::string& name, const char* lameOptions)
{
    if (std::system("lame --version >/dev/null 2>&1") != 0)
        return std::string();
    const std::vector<int16_t> mono = testsig::sinePcm16(kToneHz, kRate, kFrames, 1, kAmplitude * 32768.0);
    std::vector<int16_t> stereo;
    for (const int16_t v : mono)
        stereo.insert(stereo.end(), {v, v});
    const std::string wav = testsig::tempPath(name + ".wav"), mp3 = testsig::tempPath(name + ".mp3");
    if (!testsig::writeWavPcm16(wav, stereo, 2, kRate)
        || std::system(("lame --quiet " + std::string(lameOptions) + " " + wav + " " + mp3).c_str()) != 0)
        return std::string();
    std::remove(wav.c_str());
    return mp3;
}

// Every 16-bit sample the decode interface gives for a file, on the kernels of the tool's option.
std::vector<int16_t> decodeInProcess(const std::string& path, const std::string& pathOption)
{
    const testsig::VectorPathScope scope(pathOption.empty()            ? testsig::bestVectorPath()
                                             : pathOption == "--sse"   ? 1
                                             : pathOption == "--3dnow" ? 2
                                                                       : 0);
    std::vector<int16_t> all;
    OrvaneDecoder* d = OrvaneDecodeOpenFile(path.c_str());
    if (d == nullptr)
        return all;
    OrvaneDecodeFormat format{};
    OrvaneDecodeGetFormat(d, &format);
    std::vector<int16_t> block(4096 * format.channels);
    for (int64_t n; (n = OrvaneDecodeReadInt16(d, block.data(), 4096)) > 0;)
        all.insert(all.end(), block.begin(), block.begin() + n * format.channels);
    OrvaneDecodeClose(d);
    return all;
}

// `orvane convert` on every kernel choice, the decode interface on the same kernels, and `orvane
// fx` with no audible effect give the same samples, and convert and fx the same file, header and
// all: on streams of every layer and MPEG version and on a lame-made one.
TEST(ConvertOutput, ConvertDecodeInterfaceAndFxAgreeOnEveryPath)
{
    std::vector<std::string> streams;
    const std::string dir = testsig::conformanceDir();
    if (!dir.empty())
        for (const char* name : {"l1-fl1", "l2-fl12", "l3-compl", "l3-he_mode", "M2L3_noise"})
            streams.push_back(dir + "/" + name + ".bit");
    else
        std::fprintf(stderr, "note: conformance streams not found at " ORVANE_CONFORMANCE_DIR "; lame only\n");
    const std::string lame = lameTone("agree-tone", "-b 128");
    if (!lame.empty())
        streams.push_back(lame);
    if (streams.empty())
        GTEST_SKIP() << "neither the conformance streams nor lame are here";
    const std::string wav = testsig::tempPath("agree-convert.wav"), fx = testsig::tempPath("agree-fx.wav");
    for (const std::string& stream : streams) {
        SCOPED_TRACE(stream);
        for (const std::string option : {"", "--plain", "--sse", "--3dnow"}) {
            SCOPED_TRACE(option);
            ASSERT_EQ(runOrvane("-q convert " + stream + " " + wav + " " + option).status, 0);
            const std::vector<int16_t> converted = testsig::readWavPcm16(wav);
            ASSERT_FALSE(converted.empty());
            EXPECT_TRUE(converted == decodeInProcess(stream, option));
            if (!option.empty())
                continue;
            ASSERT_EQ(runOrvane("-q fx " + stream + " " + fx + " gain:0").status, 0);
            EXPECT_TRUE(testsig::readFile(fx) == testsig::readFile(wav));
        }
    }
    for (const std::string& p : {wav, fx, lame})
        std::remove(p.c_str());
}

uint32_t le(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | b[at + size_t(i)];
    return v;
}

// A written file's layout and samples, full scale at 1.0.
struct Decoded {
    uint32_t tag = 0;  // 1 PCM, 3 float (an extensible file's sub-format)
    uint32_t channels = 0, rate = 0, bits = 0;
    size_t headerBytes = 0;
    std::vector<double> samples;
};

std::vector<double> samplesOf(const std::vector<uint8_t>& data, size_t from, uint32_t bits, bool floating)
{
    std::vector<double> s;
    const size_t width = bits / 8;
    for (size_t at = from; at + width <= data.size(); at += width) {
        if (floating) {
            const uint32_t u = le(data, at, 4);
            float f = 0;
            std::memcpy(&f, &u, 4);
            s.push_back(f);
        } else {
            const uint32_t u = le(data, at, int(width)) << (32 - bits);
            s.push_back(double(int32_t(u)) / 2147483648.0);
        }
    }
    return s;
}

Decoded readWav(const std::string& path)
{
    Decoded d;
    const std::vector<uint8_t> f = testsig::readFile(path);
    for (size_t at = 12; at + 8 <= f.size();) {
        const uint32_t size = le(f, at + 4, 4);
        if (std::memcmp(&f[at], "fmt ", 4) == 0) {
            d.tag = le(f, at + 8, 2);
            d.channels = le(f, at + 10, 2);
            d.rate = le(f, at + 12, 4);
            d.bits = le(f, at + 22, 2);
            if (d.tag == 0xFFFE)
                d.tag = le(f, at + 32, 2);
        } else if (std::memcmp(&f[at], "data", 4) == 0) {
            d.headerBytes = at + 8;
            EXPECT_EQ(size, f.size() - d.headerBytes);
            d.samples = samplesOf(f, at + 8, d.bits, d.tag == 3);
            break;
        }
        at += 8 + size + (size & 1);
    }
    return d;
}

// The tone's amplitude in channel c (RMS x sqrt 2, after the first and last 10 ms), relative to
// full scale.
double amplitude(const Decoded& d, uint32_t c)
{
    const size_t frames = d.samples.size() / d.channels, edge = d.rate / 100;
    double sum = 0;
    for (size_t i = edge; i + edge < frames; ++i)
        sum += d.samples[i * d.channels + c] * d.samples[i * d.channels + c];
    return std::sqrt(2.0 * sum / double(frames - 2 * edge));
}

// Every output format convert offers: the header says what the samples are, the length is the
// source's (round(frames x rate / source rate) after a rate change), the tone keeps its level in
// the carried channels and the added ones are silent, and raw output is the same samples bare.
TEST(ConvertOutput, FormatsRatesAndChannelsKeepLengthAndLevel)
{
    const std::string mp3 = lameTone("formats-tone", "-b 192");
    if (mp3.empty())
        GTEST_SKIP() << "lame is missing";
    struct Case {
        const char* options;
        uint32_t tag, bits, channels, rate;
        size_t headerBytes;
    } const cases[] = {
        {"", 1, 16, 2, 44100, 44},
        {"--bits 24", 1, 24, 2, 44100, 68},
        {"--bits 32", 1, 32, 2, 44100, 68},
        {"--bits float", 3, 32, 2, 44100, 68},
        {"--mono", 1, 16, 1, 44100, 44},
        {"--channels 6 --bits 24", 1, 24, 6, 44100, 68},
        {"--rate 48000", 1, 16, 2, 48000, 44},
        {"--rate 22050 --channels 1 --bits float", 3, 32, 1, 22050, 68},
        {"--rate 8000", 1, 16, 2, 8000, 44},
        {"--rate 96000 --bits 24", 1, 24, 2, 96000, 68},
    };
    const std::string wav = testsig::tempPath("formats.wav"), raw = testsig::tempPath("formats.raw");
    // The level the encoder left: every format, rate and channel layout keeps it.
    ASSERT_EQ(runOrvane("convert " + mp3 + " " + wav).status, 0);
    const double level = amplitude(readWav(wav), 0);
    EXPECT_NEAR(level, kAmplitude, 0.05);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        ASSERT_EQ(runOrvane("convert " + mp3 + " " + wav + " " + c.options).status, 0);
        const Decoded d = readWav(wav);
        EXPECT_EQ(d.tag, c.tag);
        EXPECT_EQ(d.bits, c.bits);
        EXPECT_EQ(d.channels, c.channels);
        EXPECT_EQ(d.rate, c.rate);
        EXPECT_EQ(d.headerBytes, c.headerBytes);
        const size_t frames = (uint64_t(kFrames) * c.rate + kRate / 2) / kRate;
        ASSERT_EQ(d.samples.size(), frames * c.channels);
        for (uint32_t ch = 0; ch < c.channels; ++ch)
            EXPECT_NEAR(amplitude(d, ch), ch < 2 ? level : 0.0, ch < 2 ? 0.005 : 0.0) << "channel " << ch;

        ASSERT_EQ(runOrvane("convert " + mp3 + " " + raw + " --raw " + c.options).status, 0);
        const std::vector<uint8_t> file = testsig::readFile(wav);
        EXPECT_TRUE(testsig::readFile(raw) == std::vector<uint8_t>(file.begin() + long(d.headerBytes), file.end()));
    }
    const CliResult piped = runOrvane("convert " + mp3 + " - --raw --bits 24");
    ASSERT_EQ(runOrvane("convert " + mp3 + " " + raw + " --raw --bits 24").status, 0);
    EXPECT_TRUE(std::vector<uint8_t>(piped.out.begin(), piped.out.end()) == testsig::readFile(raw));

    // Names that would mislabel the output, and values outside the ranges, are refused up front.
    const std::string misnamed = testsig::tempPath("formats-out.mp3");
    for (const std::string& line :
         {mp3 + " " + misnamed, mp3 + " " + raw + " --bits 16", mp3 + " " + wav + " --raw",
          mp3 + " " + wav + " --bits 20", mp3 + " " + wav + " --channels 9", mp3 + " " + wav + " --rate 1000"}) {
        SCOPED_TRACE(line);
        std::remove(wav.c_str());
        std::remove(raw.c_str());
        const CliResult r = runOrvane("convert " + line);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("orvane convert: "), std::string::npos);
        EXPECT_FALSE(exists(wav) || exists(raw) || exists(misnamed));
    }
    std::remove(mp3.c_str());
}

// A Layer III frame whose side information is garbage decodes as a frame of silence: the
// conversion keeps its length, and the audio after it is where it was, sample for sample.
TEST(ConvertOutput, DamagedFrameKeepsTheLength)
{
    const std::string mp3 = lameTone("damaged-tone", "-b 128");
    if (mp3.empty())
        GTEST_SKIP() << "lame is missing";
    std::vector<uint8_t> bits = testsig::readFile(mp3);
    // The fortieth frame header from the start: its side information follows it.
    size_t at = 0;
    for (int seen = 0; at + 4 < bits.size(); ++at)
        if (bits[at] == 0xFF && (bits[at + 1] & 0xE0) == 0xE0 && ++seen == 40)
            break;
    ASSERT_LT(at + 40, bits.size());
    std::memset(&bits[at + 4], 0xFF, 32);
    const std::string damaged = testsig::tempPath("damaged.mp3");
    FILE* f = std::fopen(damaged.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bits.data(), 1, bits.size(), f);
    std::fclose(f);

    const std::string whole = testsig::tempPath("damaged-whole.wav"), hurt = testsig::tempPath("damaged-hurt.wav");
    ASSERT_EQ(runOrvane("convert " + mp3 + " " + whole).status, 0);
    ASSERT_EQ(runOrvane("convert " + damaged + " " + hurt).status, 0);
    const std::vector<int16_t> a = testsig::readWavPcm16(whole), b = testsig::readWavPcm16(hurt);
    ASSERT_EQ(b.size(), size_t(kFrames) * 2);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_FALSE(a == b);
    const size_t tail = size_t(kRate) / 2 * 2;
    EXPECT_TRUE(std::equal(a.end() - long(tail), a.end(), b.end() - long(tail)));
    for (const std::string& p : {mp3, damaged, whole, hurt})
        std::remove(p.c_str());
}

}  // namespace
