#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "orvane/mp3.h"
#include "support/signal.h"

// Streams joined from lame encodes of different rates and channel counts decode whole, in the
// first part's format, through the decode interface.
namespace {

// One encode: a tone per channel (the right one unused in mono), a whole number of frames long.
struct Part {
    uint32_t rate;
    uint32_t channels;
    uint32_t frames;
    double leftHz, leftAmp;
    double rightHz, rightAmp;
};

struct Case {
    const char* name;
    std::vector<Part> parts;
};

bool haveLame()
{
    return std::system("lame --version >/dev/null 2>&1") == 0;
}

// Encodes the part with lame at 128 kbit/s into path; false when lame fails.
bool encode(const Part& p, const std::string& path)
{
    std::vector<int16_t> pcm(size_t(p.frames) * p.channels);
    for (uint32_t i = 0; i < p.frames; ++i) {
        const double t = double(i) / p.rate;
        pcm[size_t(i) * p.channels] = int16_t(std::lround(32767.0 * p.leftAmp * std::sin(2 * M_PI * p.leftHz * t)));
        if (p.channels == 2)
            pcm[size_t(i) * 2 + 1] = int16_t(std::lround(32767.0 * p.rightAmp * std::sin(2 * M_PI * p.rightHz * t)));
    }
    const std::string wav = path + ".wav";
    if (!testsig::writeWavPcm16(wav, pcm, p.channels, p.rate))
        return false;
    const bool ok = std::system(("lame --quiet -b 128 " + wav + " " + path).c_str()) == 0;
    std::remove(wav.c_str());
    return ok;
}

// The parts encoded, each at path.N, and joined at path (returned); "" when something fails.
std::string joined(const Case& c)
{
    const std::string path = testsig::tempPath(std::string("format-change-") + c.name + ".mp3");
    std::string cat = "cat";
    for (size_t i = 0; i < c.parts.size(); ++i) {
        const std::string part = path + "." + std::to_string(i);
        if (!encode(c.parts[i], part))
            return "";
        cat += " " + part;
    }
    return std::system((cat + " > " + path).c_str()) == 0 ? path : "";
}

// Frames each part gives at the output rate, and the sum.
std::vector<uint64_t> convertedLengths(const Case& c)
{
    const uint64_t out = c.parts.front().rate;
    std::vector<uint64_t> lengths;
    for (const Part& p : c.parts)
        lengths.push_back(uint64_t(p.frames) * out / p.rate);
    return lengths;
}

std::vector<float> readAll(OrvaneDecoder* d, uint32_t channels)
{
    std::vector<float> all;
    std::vector<float> block(size_t(1001) * channels);  // reads end inside frames
    for (int64_t n; (n = OrvaneDecodeReadFloat(d, block.data(), 1001)) > 0;)
        all.insert(all.end(), block.begin(), block.begin() + n * channels);
    return all;
}

// Amplitude of a tone in channel ch of interleaved pcm, frames [from, from + n).
double toneAt(const std::vector<float>& pcm, uint32_t channels, uint32_t ch, uint64_t from, uint64_t n, double hz,
              double rate)
{
    std::vector<float> one(n);
    for (uint64_t i = 0; i < n; ++i)
        one[i] = pcm[(from + i) * channels + ch];
    return testsig::toneAmplitude(one.data(), n, hz, rate);
}

class FormatChange : public testing::TestWithParam<Case> { };

// The total is the sum of the parts converted to the first's rate; reads deliver exactly that; the
// second part's tones come out at their level (channels averaged or duplicated, rate converted);
// the format and the stream information count the changes; a seek anywhere leaves the rest of the
// total to read.
TEST_P(FormatChange, DecodesEveryPartInTheFirstFormat)
{
    if (!haveLame())
        GTEST_SKIP() << "lame encoder not installed: streams cannot be made";
    const Case& c = GetParam();
    const std::string path = joined(c);
    ASSERT_FALSE(path.empty());
    const Part& first = c.parts.front();
    const std::vector<uint64_t> lengths = convertedLengths(c);
    uint64_t expected = 0;
    for (uint64_t n : lengths)
        expected += n;

    OrvaneDecoder* d = OrvaneDecodeOpenFile(path.c_str());
    ASSERT_NE(d, nullptr);
    OrvaneDecodeFormat f{};
    ASSERT_EQ(OrvaneDecodeGetFormat(d, &f), 1);
    EXPECT_EQ(f.sampleRate, first.rate);
    EXPECT_EQ(f.channels, first.channels);
    EXPECT_EQ(f.formatChanges, c.parts.size() - 1);
    EXPECT_EQ(f.totalFrames, expected);
    const std::vector<float> pcm = readAll(d, f.channels);
    ASSERT_EQ(pcm.size(), expected * f.channels);

    // The middle half of the second part: each output channel holds the tones the conversion
    // gives it at the level they have in the part decoded alone (a mix halves each of two
    // channels' tones; the resampler's pass band is flat within 1%).
    const Part& second = c.parts[1];
    OrvaneDecoder* alone = OrvaneDecodeOpenFile((path + ".1").c_str());
    ASSERT_NE(alone, nullptr);
    const std::vector<float> secondPcm = readAll(alone, second.channels);
    OrvaneDecodeClose(alone);
    const uint64_t aloneFrames = secondPcm.size() / second.channels;
    const double leftAlone
        = toneAt(secondPcm, second.channels, 0, aloneFrames / 4, aloneFrames / 2, second.leftHz, second.rate);
    const double rightAlone = second.channels == 2
        ? toneAt(secondPcm, 2, 1, aloneFrames / 4, aloneFrames / 2, second.rightHz, second.rate)
        : 0.0;
    const uint64_t from = lengths[0] + lengths[1] / 4, n = lengths[1] / 2;
    for (uint32_t ch = 0; ch < f.channels; ++ch) {
        double left = leftAlone, right = rightAlone;
        if (f.channels == 1 && second.channels == 2) {
            left /= 2;
            right /= 2;
        } else if (second.channels == 2) {
            (ch == 0 ? right : left) = 0.0;
        }
        SCOPED_TRACE("channel " + std::to_string(ch));
        EXPECT_NEAR(toneAt(pcm, f.channels, ch, from, n, second.leftHz, first.rate), left, 0.01 * left + 0.005);
        if (second.channels == 2) {
            EXPECT_NEAR(toneAt(pcm, f.channels, ch, from, n, second.rightHz, first.rate), right, 0.01 * right + 0.005);
        }
    }

    // Seeks into every part: the position is the one asked for, the rest of the total follows, and
    // once the resampler has settled the samples are those of the reading from the start: the
    // same where the part keeps the rate, shifted by less than a sample where it is resampled.
    uint64_t base = 0;
    for (size_t part = 0; part < lengths.size(); ++part) {
        // A shift of less than one output sample moves a tone by at most its steepest step.
        const Part& p = c.parts[part];
        const double step = 2 * M_PI * std::max(p.leftHz * p.leftAmp, p.rightHz * p.rightAmp) / first.rate;
        const double tolerance = p.rate == first.rate ? 1e-6 : step;
        for (uint64_t at : {base, base + lengths[part] / 3}) {
            ASSERT_EQ(OrvaneDecodeSeek(d, at), 1) << at;
            EXPECT_EQ(OrvaneDecodeTell(d), at);
            const std::vector<float> rest = readAll(d, f.channels);
            ASSERT_EQ(rest.size(), (expected - at) * f.channels) << at;
            double worst = 0.0;
            for (size_t i = 2048 * f.channels; i < 4096 * f.channels; ++i)
                worst = std::max(worst, double(std::fabs(rest[i] - pcm[at * f.channels + i])));
            EXPECT_LE(worst, tolerance) << "seek to " << at;
        }
        base += lengths[part];
    }
    OrvaneDecodeClose(d);

    OrvaneStreamInfo info{};
    ASSERT_EQ(OrvaneGetStreamInfo(path.c_str(), 0, &info), 1);
    EXPECT_EQ(info.formatChanges, c.parts.size() - 1);
    EXPECT_EQ(OrvaneGetTotalMs(path.c_str(), 0), int32_t(double(expected) * 1000.0 / first.rate));
    std::remove(path.c_str());
    for (size_t i = 0; i < c.parts.size(); ++i)
        std::remove((path + "." + std::to_string(i)).c_str());
}

const Part kMono44{44100, 1, 66150, 440, 0.5, 0, 0};
const Part kStereo44{44100, 2, 66150, 660, 0.6, 990, 0.2};
const Part kStereo48{48000, 2, 72000, 660, 0.6, 990, 0.2};
const Part kMono32{32000, 1, 48000, 550, 0.4, 0, 0};

INSTANTIATE_TEST_SUITE_P(Joined, FormatChange,
                         testing::Values(Case{"MonoToStereo", {kMono44, kStereo44}},
                                         Case{"StereoToMono", {kStereo44, kMono44}},
                                         Case{"Rate44To48", {kStereo44, kStereo48}},
                                         Case{"Rate48To44", {kStereo48, kStereo44}},
                                         Case{"ThreeParts", {kMono44, kStereo48, kMono32}}),
                         [](const testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

}  // namespace
