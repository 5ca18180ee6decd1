#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "orvane/mp3.h"
#include "support/signal.h"

namespace {

// Files made by scripts/make-lame-fixtures.sh from synthesized sources, decoded through the
// user's commands: gapless to the source's exact length, aligned with it, and described by info.
struct LameCase {
    const char* name;
    uint32_t rate;
    uint32_t channels;
    const char* version;  // as info prints it
    const char* bitrateKind;
    int nominalKbps;  // CBR files: the average must be this
    double minSnrDb;  // the encoder's own noise at this setting, with margin
    const char* title;
    const char* artist;
};

// lame's CBR settings reach 26 dB on these sources, its -V2 setting above 50 dB.
const LameCase kCases[] = {
    {"cbr", 44100, 2, "MPEG-1", "CBR", 128, 20.0, nullptr, nullptr},
    {"vbr", 44100, 2, "MPEG-1", "VBR", 0, 45.0, nullptr, nullptr},
    {"mpeg2", 22050, 2, "MPEG-2", "CBR", 64, 20.0, nullptr, nullptr},
    {"mpeg25", 8000, 1, "MPEG-2.5", "VBR", 0, 40.0, nullptr, nullptr},
    {"mono", 44100, 1, "MPEG-1", "CBR", 96, 20.0, nullptr, nullptr},
    {"tagged", 44100, 2, "MPEG-1", "CBR", 128, 20.0, "Tagged Title", "\xC3\x84rtist"},
    {"ape", 44100, 2, "MPEG-1", "CBR", 128, 20.0, "Ape Title", "Ape Artist"},
};

std::string fixtureDir()
{
    return std::string(ORVANE_BINARY_DIR) + "/lame-fixtures";
}

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// SNR in dB of decoded against source with decoded shifted by lag frames.
double snrDb(const std::vector<int16_t>& src, const std::vector<int16_t>& out, uint32_t channels, int lag)
{
    double signal = 0.0;
    double noise = 0.0;
    const long frames = long(std::min(src.size(), out.size()) / channels);
    for (long i = 2; i + 2 < frames; ++i)
        for (uint32_t c = 0; c < channels; ++c) {
            const double s = src[size_t(i) * channels + c];
            const double d = out[size_t(i + lag) * channels + c] - s;
            signal += s * s;
            noise += d * d;
        }
    return 10.0 * std::log10(signal / std::max(noise, 1.0));
}

class LameFiles : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (std::system("lame --version >/dev/null 2>&1") != 0 || std::system("python3 --version >/dev/null 2>&1") != 0)
            return;
        bool all = true;
        for (const LameCase& c : kCases)
            all = all && exists(fixtureDir() + "/" + c.name + ".mp3");
        if (!all)
            std::system(("bash " + std::string(ORVANE_SOURCE_DIR) + "/scripts/make-lame-fixtures.sh " + fixtureDir()
                         + " >/dev/null")
                            .c_str());
    }
};

TEST_F(LameFiles, DecodeGaplesslyToTheSourceAndShowTheirFacts)
{
    if (!exists(fixtureDir() + "/ape.mp3"))
        GTEST_SKIP() << "lame or python3 missing: the fixtures of scripts/make-lame-fixtures.sh cannot be made";
    for (const LameCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::string base = fixtureDir() + "/" + c.name;
        const std::string wav = testsig::tempPath(std::string("lame-") + c.name + ".wav");
        uint32_t srcChannels = 0;
        uint32_t srcRate = 0;
        const std::vector<int16_t> src = testsig::readWavPcm16(base + ".wav", &srcChannels, &srcRate);
        ASSERT_EQ(srcRate, c.rate);
        ASSERT_EQ(srcChannels, c.channels);

        ASSERT_EQ(runOrvane("convert " + base + ".mp3 " + wav).status, 0);
        uint32_t channels = 0;
        uint32_t rate = 0;
        const std::vector<int16_t> out = testsig::readWavPcm16(wav, &channels, &rate);
        EXPECT_EQ(rate, c.rate);
        EXPECT_EQ(channels, c.channels);
        // Exactly the source's length, and aligned with it: a shift of one sample either way
        // is clearly worse.
        EXPECT_EQ(out.size(), src.size());
        const double snr = snrDb(src, out, c.channels, 0);
        EXPECT_GT(snr, c.minSnrDb);
        EXPECT_GT(snr, snrDb(src, out, c.channels, 1) + 3.0);
        EXPECT_GT(snr, snrDb(src, out, c.channels, -1) + 3.0);

        // The decode interface is gapless too: its total and a read to the end are the source's
        // length, aligned with it, and a seek on that timeline then a read gives the same samples
        // as the full decode there. Its tags are those of the path.
        OrvaneDecoder* decoder = OrvaneDecodeOpenFile((base + ".mp3").c_str());
        ASSERT_NE(decoder, nullptr);
        OrvaneDecodeFormat format{};
        EXPECT_EQ(OrvaneDecodeGetFormat(decoder, &format), 1);
        EXPECT_EQ(format.totalFrames, src.size() / c.channels);
        EXPECT_GT(format.encoderDelay, 0u);
        std::vector<int16_t> decoded(src.size() + 4096 * c.channels);
        const int64_t got = OrvaneDecodeReadInt16(decoder, decoded.data(), int64_t(decoded.size() / c.channels));
        ASSERT_EQ(uint64_t(got), format.totalFrames);
        decoded.resize(src.size());
        EXPECT_GT(snrDb(src, decoded, c.channels, 0), c.minSnrDb);
        for (const uint64_t at :
             {uint64_t(0), uint64_t(1), uint64_t(1151), format.totalFrames / 9 + 1000, format.totalFrames * 3 / 7 + 11,
              format.totalFrames / 2 + 3, format.totalFrames - 700}) {
            std::vector<int16_t> part(1000 * c.channels);
            ASSERT_EQ(OrvaneDecodeSeek(decoder, at), 1) << at;
            EXPECT_EQ(OrvaneDecodeTell(decoder), at);
            const int64_t n = OrvaneDecodeReadInt16(decoder, part.data(), 1000);
            ASSERT_EQ(uint64_t(n), std::min<uint64_t>(1000, format.totalFrames - at)) << at;
            // Sample for sample: the seek starts where the main data's back-pointers reach.
            part.resize(size_t(n) * c.channels);
            EXPECT_TRUE(std::equal(part.begin(), part.end(), decoded.begin() + long(at * c.channels))) << at;
        }
        EXPECT_EQ(OrvaneDecodeSeek(decoder, format.totalFrames + 1), 0);
        // Gapless off delivers every decoded sample from the first; on again, the gapless timeline
        // from its start.
        ASSERT_EQ(OrvaneDecodeSetGapless(decoder, 0), 1);
        OrvaneDecodeFormat whole{};
        OrvaneDecodeGetFormat(decoder, &whole);
        EXPECT_GT(whole.totalFrames, format.totalFrames + format.encoderDelay);
        EXPECT_EQ(OrvaneDecodeTell(decoder), 0u);
        ASSERT_EQ(OrvaneDecodeSetGapless(decoder, 1), 1);
        std::vector<int16_t> again(1000 * c.channels);
        ASSERT_EQ(OrvaneDecodeReadInt16(decoder, again.data(), 1000), 1000);
        EXPECT_TRUE(std::equal(again.begin(), again.end(), decoded.begin()));
        char title[64] = "";
        EXPECT_EQ(OrvaneDecodeGetTagText(decoder, 0, title, sizeof title), c.title ? int32_t(std::strlen(c.title)) : 0);
        EXPECT_STREQ(title, c.title ? c.title : "");
        OrvaneDecodeClose(decoder);

        // Every sample: the encoder's delay and padding stay in.
        ASSERT_EQ(runOrvane("convert " + base + ".mp3 " + wav + " --no-gapless").status, 0);
        EXPECT_GT(testsig::readWavPcm16(wav).size(), src.size() + 1000 * c.channels);
        std::remove(wav.c_str());

        const CliResult info = runOrvane("info " + base + ".mp3");
        ASSERT_EQ(info.status, 0);
        EXPECT_EQ(infoLine(info.out, "version:"), c.version);
        const double seconds = std::atof(infoLine(info.out, "duration:").c_str());
        const double frameSeconds = (c.rate >= 32000 ? 1152.0 : 576.0) / c.rate;
        EXPECT_NEAR(seconds, double(src.size() / c.channels) / c.rate, frameSeconds);
        const std::string bitrate = infoLine(info.out, "bitrate:");
        EXPECT_EQ(bitrate.substr(0, 3), c.bitrateKind);
        const double average = std::atof(bitrate.substr(bitrate.find("average") + 7).c_str());
        if (c.nominalKbps > 0)
            EXPECT_NEAR(average, c.nominalKbps, 0.5);
        else
            EXPECT_GT(average, 8.0);
        if (c.title != nullptr) {
            EXPECT_EQ(infoLine(info.out, "title:"), c.title);
            EXPECT_EQ(infoLine(info.out, "artist:"), c.artist);
        }
    }
}

}  // namespace
