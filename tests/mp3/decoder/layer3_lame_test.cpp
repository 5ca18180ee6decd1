#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "layer3_stream.h"
#include "mp3/decode/stream_decoder.h"
#include "mp3/player/player_settings.h"
#include "support/signal.h"

// Streams made at test time by the lame encoder from generated tones decode back to the tones
// within the encoder's noise. Skipped when lame is not installed.
namespace {

bool haveLame()
{
    return std::system("lame --version >/dev/null 2>&1") == 0;
}

struct Source {
    int rate;
    int channels;
    std::vector<int16_t> pcm;  // interleaved
};

// Two tones per channel (the right channel slightly detuned and phase shifted, so mid/side
// pays), optionally gated on and off abruptly every 100 ms to force short blocks.
Source tones(int rate, int channels, double seconds, bool gated)
{
    Source s{rate, channels, {}};
    const int frames = static_cast<int>(rate * seconds);
    s.pcm.resize(static_cast<size_t>(frames * channels));
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const bool on = !gated || (i % (rate / 10)) < rate / 25;
        for (int ch = 0; ch < channels; ++ch) {
            const double v = on ? 7000.0 * std::sin(2 * pi * (440.0 + 3 * ch) * t + 0.4 * ch)
                    + 3000.0 * std::sin(2 * pi * 1250.0 * t + ch)
                                : 0.0;
            s.pcm[static_cast<size_t>(i * channels + ch)] = static_cast<int16_t>(v);
        }
    }
    return s;
}

std::vector<uint8_t> encode(const Source& s, const std::string& name, const std::string& options);

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = testsig::tempPath(name);
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<uint8_t> encode(const Source& s, const std::string& name, const std::string& options)
{
    const std::string raw = testsig::tempPath(name + ".raw"), mp3 = testsig::tempPath(name + ".mp3");
    {
        std::ofstream f(raw, std::ios::binary);
        f.write(reinterpret_cast<const char*>(s.pcm.data()), static_cast<std::streamsize>(s.pcm.size() * 2));
    }
    char rate[32];
    std::snprintf(rate, sizeof(rate), "%g", s.rate / 1000.0);
    const std::string cmd = "lame --quiet -r -s " + std::string(rate) + " --bitwidth 16 --signed --little-endian "
        + (s.channels == 1 ? "-m m " : "") + options + " '" + raw + "' '" + mp3 + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0)
        return {};
    auto bytes = testsig::readFile(mp3);
    std::remove(raw.c_str());
    std::remove(mp3.c_str());
    return bytes;
}

// SNR in dB of the decoded signal against the source at the best alignment (the encoder and
// decoder delays shift the output by about 1100 samples).
struct Decoded {
    l3test::StreamFacts facts;
    std::vector<float> pcm;  // interleaved, 16-bit scale
};

// Decodes through the file-to-PCM path the player uses.
Decoded decode(const std::vector<uint8_t>& mp3)
{
    Decoded d;
    d.facts = l3test::scanStream(mp3);
    const std::string path = writeTemp("l3_decode.mp3", mp3);
    StreamDecoder dec;
    if (dec.open(path.c_str())) {
        dec.decodeAll();
        d.pcm = dec.pcm();
    }
    std::remove(path.c_str());
    return d;
}

double snrDb(const Source& src, const Decoded& out)
{
    const int ch = src.channels;
    const size_t srcFrames = src.pcm.size() / static_cast<size_t>(ch);
    const size_t outFrames = out.pcm.size() / static_cast<size_t>(ch);
    // Compare the middle of the signal, away from the encoder's start-up and tail.
    const size_t from = static_cast<size_t>(src.rate) / 4, to = srcFrames - static_cast<size_t>(src.rate) / 4;
    double best = -1e9;
    for (size_t lag = 0; lag < 3000 && to + lag < outFrames; ++lag) {
        double sig = 0, err = 0;
        for (size_t i = from; i < to; i += 3) {
            for (int c = 0; c < ch; ++c) {
                const double a = src.pcm[i * ch + c];
                const double b = out.pcm[(i + lag) * ch + c];
                sig += a * a;
                err += (a - b) * (a - b);
            }
        }
        best = std::max(best, 10.0 * std::log10(sig / std::max(err, 1e-9)));
    }
    return best;
}

class Layer3Lame : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveLame())
            GTEST_SKIP() << "lame encoder not installed: streams cannot be made";
    }
};

TEST_F(Layer3Lame, JointStereoMidSide)
{
    const Source src = tones(44100, 2, 2.0, false);
    const auto mp3 = encode(src, "l3_ms", "-m f -b 192 -t");
    ASSERT_FALSE(mp3.empty());
    const auto out = decode(mp3);
    EXPECT_EQ(out.facts.channels, 2);
    EXPECT_GT(out.facts.midSideFrames, out.facts.frames / 2);
    const double snr = snrDb(src, out);
    RecordProperty("snr_db", static_cast<int>(snr));
    EXPECT_GT(snr, 25.0);  // measured 30 dB
}

TEST_F(Layer3Lame, ShortBlocks)
{
    const Source src = tones(44100, 2, 2.0, true);
    const auto mp3 = encode(src, "l3_short", "-m j -b 256 -t");
    ASSERT_FALSE(mp3.empty());
    const auto out = decode(mp3);
    EXPECT_GT(out.facts.shortGranules, 10);
    const double snr = snrDb(src, out);
    RecordProperty("snr_db", static_cast<int>(snr));
    EXPECT_GT(snr, 35.0);  // measured 44 dB
}

TEST_F(Layer3Lame, Mpeg2LowerSamplingFrequencies)
{
    for (int rate : {16000, 22050, 24000}) {
        const Source src = tones(rate, 2, 2.0, false);
        const auto mp3 = encode(src, "l3_lsf", "-m j -b 96 -t");
        ASSERT_FALSE(mp3.empty());
        const auto out = decode(mp3);
        EXPECT_EQ(out.facts.rate, rate);
        EXPECT_EQ(out.facts.mpeg2Frames, out.facts.frames);
        const double snr = snrDb(src, out);
        RecordProperty("snr_db_" + std::to_string(rate), static_cast<int>(snr));
        EXPECT_GT(snr, 20.0) << rate;  // measured 26 dB at each rate
    }
}

// VBR with a "Xing" tag frame first: the tag frame decodes to silence, the music after it to the tones.
TEST_F(Layer3Lame, VariableBitrateWithXingTag)
{
    const Source src = tones(44100, 2, 2.0, false);
    const auto mp3 = encode(src, "l3_vbr", "-V 2");
    ASSERT_FALSE(mp3.empty());
    bool xing = false;
    for (size_t i = 0; i + 4 < std::min<size_t>(mp3.size(), 200); ++i)
        xing |= std::memcmp(&mp3[i], "Xing", 4) == 0;
    EXPECT_TRUE(xing);
    const auto out = decode(mp3);
    const double snr = snrDb(src, out);
    RecordProperty("snr_db", static_cast<int>(snr));
    EXPECT_GT(snr, 45.0);  // measured 60 dB
}

// A seek lands on a frame whose main data reaches back into frames not read, as a stream cut
// mid-way starts: the frames lacking their main data play as silence, and from then on the output
// is the same as without the seek (once the overlap and the synthesis history have refilled).
TEST_F(Layer3Lame, SeekKeepsTheTimelineWhenFramesLackTheirReservoir)
{
    const Source src = tones(44100, 2, 3.0, false);
    const std::string path = writeTemp("l3_seek.mp3", encode(src, "l3_seek", "-m j -b 128 -t"));
    StreamDecoder full;
    ASSERT_TRUE(full.open(path.c_str()));
    full.decodeAll();
    ASSERT_GT(full.framesDecoded(), 60u);

    StreamDecoder sought;
    ASSERT_TRUE(sought.open(path.c_str()));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(sought.decodeFrame());
    ASSERT_TRUE(sought.seekFrame(40));
    sought.resetAfterSeek();
    sought.decodeAll();
    EXPECT_EQ(full.framesDropped(), 0u);
    // lame keeps main data in the reservoir: frame 40 reaches back into frames not read, and
    // frame 41 too when its main_data_begin exceeds frame 40's main data. Those play as silence,
    // so every frame keeps its place and the stream its length.
    EXPECT_EQ(sought.framesDropped(), 0u);
    const size_t frameSamples = 1152 * 2;
    const std::vector<float>& a = sought.pcm();
    const std::vector<float>& b = full.pcm();
    ASSERT_EQ(a.size(), b.size() - 30 * frameSamples);
    // Frames 10.. of the sought decode are frames 40.. of the full one; compare from the fourth
    // frame after the seek on (two may be silent, one more settles the overlap).
    for (size_t i = 13 * frameSamples; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i + 30 * frameSamples], 0.01) << i;
    std::remove(path.c_str());
}

}  // namespace
