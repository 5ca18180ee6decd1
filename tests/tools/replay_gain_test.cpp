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
#include "support/bytes.h"
#include "support/signal.h"

namespace {

using testsig::Bytes;
using testsig::bytesOf;
using testsig::join;
using testsig::readFile;
using testsig::writeFile;

constexpr uint32_t kRate = 44100;
constexpr float kAbsent = NAN;

Bytes be(uint32_t v, int bytes)
{
    Bytes out;
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(uint8_t(v >> (8 * i)));
    return out;
}

Bytes le32(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

Bytes syncSafe(uint32_t v)
{
    return {uint8_t(v >> 21 & 0x7F), uint8_t(v >> 14 & 0x7F), uint8_t(v >> 7 & 0x7F), uint8_t(v & 0x7F)};
}

// An ID3v2 tag of the given version (3 or 4) around frames.
Bytes id3v2(uint8_t version, const Bytes& frames)
{
    return join({bytesOf("ID3"), {version, 0, 0}, syncSafe(uint32_t(frames.size())), frames});
}

Bytes id3Frame(uint8_t version, const std::string& id, const Bytes& data)
{
    const uint32_t n = uint32_t(data.size());
    return join({bytesOf(id), version == 4 ? syncSafe(n) : be(n, 4), {0, 0}, data});
}

// A TXXX frame in Latin-1, or in UTF-16 with a byte-order mark.
Bytes txxx(uint8_t version, const std::string& key, const std::string& value, bool utf16 = false)
{
    if (!utf16)
        return id3Frame(version, "TXXX", join({{0}, bytesOf(key), {0}, bytesOf(value)}));
    auto wide = [](const std::string& s) {
        Bytes out = {0xFF, 0xFE};
        for (char c : s)
            out.insert(out.end(), {uint8_t(c), 0});
        return out;
    };
    return id3Frame(version, "TXXX", join({{1}, wide(key), {0, 0}, wide(value)}));
}

// An RVA2 frame: a front-right channel first (to be passed over), then the master volume with a
// 16-bit peak.
Bytes rva2(const std::string& identification, double db, double peak)
{
    const auto adjustment = uint32_t(uint16_t(int16_t(std::lround(db * 512))));
    return id3Frame(4, "RVA2",
                    join({bytesOf(identification),
                          {0},
                          {3},
                          be(0x1234, 2),
                          {8, 0x7F},
                          {1},
                          be(adjustment, 2),
                          {16},
                          be(uint32_t(std::lround(peak * 32768)), 2)}));
}

// An APEv2 tag (header and footer) holding text items.
Bytes apev2(const std::vector<std::pair<std::string, std::string>>& items)
{
    Bytes body;
    for (const auto& [key, value] : items)
        body = join({body, le32(uint32_t(value.size())), le32(0), bytesOf(key), {0}, bytesOf(value)});
    auto frame = [&](uint32_t flags) {
        return join({bytesOf("APETAGEX"), le32(2000), le32(uint32_t(body.size() + 32)), le32(uint32_t(items.size())),
                     le32(flags), Bytes(8, 0)});
    };
    return join({frame(0xA0000000u), body, frame(0x80000000u)});
}

// lame's encoding of a 1 s, 1 kHz stereo sine of the given amplitude, without ReplayGain of its
// own; empty when lame is missing.
Bytes encodeSine(double amplitude)
{
    const std::string wav = testsig::tempPath("rg-src.wav");
    const std::string mp3 = testsig::tempPath("rg-src.mp3");
    testsig::writeWavPcm16(wav, testsig::sinePcm16(1000, kRate, kRate, 2, amplitude * 32767), 2, kRate);
    if (std::system(("lame --quiet --noreplaygain " + wav + " " + mp3 + " 2>/dev/null").c_str()) != 0)
        return {};
    Bytes bytes = readFile(mp3);
    std::remove(wav.c_str());
    std::remove(mp3.c_str());
    return bytes;
}

// The stream with its LAME tag's peak word and two gain words set.
Bytes withEncoderGain(Bytes mp3, uint32_t peakWord, uint16_t first, uint16_t second)
{
    const std::string lame = "LAME";
    const auto at = std::search(mp3.begin(), mp3.end(), lame.begin(), lame.end());
    if (at == mp3.end())
        return {};
    const Bytes fields = join({be(peakWord, 4), be(first, 2), be(second, 2)});
    std::copy(fields.begin(), fields.end(), at + 11);
    return mp3;
}

// A gain word of the LAME tag: name (1 track, 2 album), originator 3 (set by the encoder), sign and 0.1 dB.
uint16_t gainWord(uint16_t name, double db)
{
    return uint16_t(name << 13 | 3 << 10 | (db < 0 ? 0x200 : 0) | uint16_t(std::lround(std::fabs(db) * 10)));
}

struct Expected {
    float trackGain, trackPeak, albumGain, albumPeak;  // kAbsent where not stated
};

// The value after "key": in a JSON text; NaN for null or a missing key.
float jsonNumber(const std::string& json, const std::string& key)
{
    const size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos)
        return kAbsent;
    const std::string rest = json.substr(at + key.size() + 4);
    return rest.compare(0, 4, "null") == 0 ? kAbsent : std::strtof(rest.c_str(), nullptr);
}

::testing::AssertionResult matches(const char* via, const OrvaneReplayGain& g, const Expected& e)
{
    auto same = [](bool has, float value, float expected) {
        return std::isnan(expected) ? !has && value == 0.0f : has && std::fabs(value - expected) < 1e-4f;
    };
    if (same(g.hasTrack, g.trackGain, e.trackGain) && same(g.trackPeak > 0, g.trackPeak, e.trackPeak)
        && same(g.hasAlbum, g.albumGain, e.albumGain) && same(g.albumPeak > 0, g.albumPeak, e.albumPeak))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << via << " gives track " << g.hasTrack << " " << g.trackGain << " peak "
                                         << g.trackPeak << ", album " << g.hasAlbum << " " << g.albumGain << " peak "
                                         << g.albumPeak;
}

// Every carrier, alone and over another, read back through the path export, a decode handle and
// `orvane info --json`: each value comes from the first carrier that states it (ID3v2 TXXX and
// APEv2 items, then RVA2, then the LAME tag), and damaged values are passed over.
TEST(ReplayGain, EveryCarrierReadsBackThroughEveryFace)
{
    const Bytes plain = encodeSine(0.25);
    if (plain.empty())
        GTEST_SKIP() << "lame is missing";
    // The LAME tag: track -3.4 dB, album +1.2 dB, a 9.23 fixed-point peak of 0.5 (as lame writes
    // it), or the IEEE float 0.75 the tag's layout describes.
    const Bytes lame = withEncoderGain(plain, 0x00400000, gainWord(1, -3.4), gainWord(2, 1.2));
    const Bytes lameFloat = withEncoderGain(plain, 0x3F400000, 0, gainWord(1, -3.4));
    ASSERT_FALSE(lame.empty());
    struct Case {
        const char* name;
        Bytes file;
        Expected expected;
    };
    const Case cases[] = {
        {"LAME tag", lame, {-3.4f, 0.5f, 1.2f, kAbsent}},
        {"LAME tag, float peak", lameFloat, {-3.4f, 0.75f, kAbsent, kAbsent}},
        {"ID3v2.3 TXXX over the LAME tag",
         join(
             {id3v2(3,
                    join({txxx(3, "REPLAYGAIN_TRACK_GAIN", "-6.50 dB"), txxx(3, "REPLAYGAIN_TRACK_PEAK", "0.988525"),
                          txxx(3, "REPLAYGAIN_ALBUM_GAIN", "+2.25 dB"), txxx(3, "REPLAYGAIN_ALBUM_PEAK", "1.000000")})),
              lame}),
         {-6.5f, 0.988525f, 2.25f, 1.0f}},
        {"ID3v2.4 UTF-16 TXXX, lower case, filled from the LAME tag",
         join({id3v2(4, txxx(4, "replaygain_track_gain", " -1.00 db ", true)), lame}),
         {-1.0f, 0.5f, 1.2f, kAbsent}},
        {"RVA2 track and album, a channel before the master's",
         join({id3v2(4, join({rva2("track", -4.5, 0.8), rva2("album", -5.0, 0.9)})), plain}),
         {-4.5f, 0.8f, -5.0f, 0.9f}},
        {"TXXX over RVA2 over the LAME tag",
         join({id3v2(4, join({rva2("track", -4.5, 0.8), txxx(4, "REPLAYGAIN_TRACK_GAIN", "-2 dB")})), lame}),
         {-2.0f, 0.8f, 1.2f, kAbsent}},
        {"APEv2 items over the LAME tag",
         join({lame,
               apev2({{"REPLAYGAIN_TRACK_GAIN", "-7.25 dB"},
                      {"Replaygain_Track_Peak", "0.5"},
                      {"REPLAYGAIN_ALBUM_GAIN", "-8.00 dB"},
                      {"REPLAYGAIN_ALBUM_PEAK", "0.75"}})}),
         {-7.25f, 0.5f, -8.0f, 0.75f}},
        {"damaged values passed over",
         join({id3v2(3,
                     join({txxx(3, "REPLAYGAIN_TRACK_GAIN", "loud"), txxx(3, "REPLAYGAIN_TRACK_PEAK", "-0.5"),
                           txxx(3, "REPLAYGAIN_ALBUM_GAIN", "+99 dB"), txxx(3, "REPLAYGAIN_ALBUM_PEAK", "1e999")})),
               lame}),
         {-3.4f, 0.5f, 1.2f, kAbsent}},
        {"none", plain, {kAbsent, kAbsent, kAbsent, kAbsent}},
    };
    const std::string path = testsig::tempPath("rg-carrier.mp3");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path, c.file);
        OrvaneReplayGain g{};
        ASSERT_EQ(OrvaneGetReplayGain(path.c_str(), 0, &g), 1);
        EXPECT_TRUE(matches("the path export", g, c.expected));

        OrvaneDecoder* decoder = OrvaneDecodeOpenFile(path.c_str());
        ASSERT_NE(decoder, nullptr);
        g = OrvaneReplayGain{};
        ASSERT_EQ(OrvaneDecodeGetReplayGain(decoder, &g), 1);
        EXPECT_TRUE(matches("the handle", g, c.expected));
        OrvaneDecodeClose(decoder);

        const CliResult r = runOrvane("info --json " + path);
        ASSERT_EQ(r.status, 0) << r.err;
        g = OrvaneReplayGain{};
        g.trackGain = jsonNumber(r.out, "track_gain");
        g.trackPeak = jsonNumber(r.out, "track_peak");
        g.albumGain = jsonNumber(r.out, "album_gain");
        g.albumPeak = jsonNumber(r.out, "album_peak");
        g.hasTrack = std::isnan(g.trackGain) ? 0 : 1;
        g.hasAlbum = std::isnan(g.albumGain) ? 0 : 1;
        for (float* v : {&g.trackGain, &g.trackPeak, &g.albumGain, &g.albumPeak})
            *v = std::isnan(*v) ? 0.0f : *v;
        EXPECT_TRUE(matches("info --json", g, c.expected)) << r.out;
    }
    std::remove(path.c_str());
}

// convert --replaygain scales the decoded level by 10^(gain/20), held to 1/peak, album falling
// back to track; without the option the level is as decoded.
TEST(ReplayGain, ConvertScalesTheLevelWithinThePeak)
{
    const Bytes plain = encodeSine(0.25);
    if (plain.empty())
        GTEST_SKIP() << "lame is missing";
    const std::string mp3 = testsig::tempPath("rg-convert.mp3");
    const std::string wav = testsig::tempPath("rg-convert.wav");
    writeFile(mp3, plain);
    ASSERT_EQ(runOrvane("convert -q " + mp3 + " " + wav).status, 0);
    const std::vector<int16_t> reference = testsig::readWavPcm16(wav);
    const double referenceRms = testsig::rmsPcm16(reference.data(), reference.size());
    ASSERT_GT(referenceRms, 5000.0);

    struct Case {
        const char* option;
        Bytes tag;
        double scale;
    };
    const Case cases[] = {
        {"--replaygain track", id3v2(3, txxx(3, "REPLAYGAIN_TRACK_GAIN", "-6.0206 dB")), 0.5},
        {"--replaygain track",
         id3v2(3, join({txxx(3, "REPLAYGAIN_TRACK_GAIN", "+12 dB"), txxx(3, "REPLAYGAIN_TRACK_PEAK", "0.5")})), 2.0},
        {"--replaygain album", id3v2(3, txxx(3, "REPLAYGAIN_TRACK_GAIN", "-6.0206 dB")), 0.5},
        {"--replaygain album",
         id3v2(3,
               join({txxx(3, "REPLAYGAIN_TRACK_GAIN", "-20 dB"), txxx(3, "REPLAYGAIN_ALBUM_GAIN", "3.5218 dB"),
                     txxx(3, "REPLAYGAIN_ALBUM_PEAK", "0.25")})),
         1.5},
        {"", id3v2(3, txxx(3, "REPLAYGAIN_TRACK_GAIN", "-6.0206 dB")), 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + std::string(" ") + std::to_string(c.scale));
        writeFile(mp3, join({c.tag, plain}));
        const CliResult r = runOrvane("convert -q " + std::string(c.option) + " " + mp3 + " " + wav);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<int16_t> pcm = testsig::readWavPcm16(wav);
        ASSERT_EQ(pcm.size(), reference.size());
        // The scale is exact in float; the 16-bit rounding moves the RMS by far less than 0.1%.
        EXPECT_NEAR(testsig::rmsPcm16(pcm.data(), pcm.size()) / referenceRms, c.scale, c.scale * 1e-3);
    }
    EXPECT_EQ(runOrvane("convert -q --replaygain loud " + mp3 + " " + wav).status, 2);
    std::remove(mp3.c_str());
    std::remove(wav.c_str());
}

// play --replaygain track scales each file of a list by its own gain, changing at the join: two
// files of one tone, captured with and without the option, differ by each file's factor on each
// side of the join, up to the last 20 ms before it and from the first 20 ms after it.
TEST(ReplayGain, PlayScalesEachFileOfAListAtTheJoin)
{
    const Bytes plain = encodeSine(0.25);
    if (plain.empty())
        GTEST_SKIP() << "lame is missing";
    const std::string first = testsig::tempPath("rg-play-1.mp3");
    const std::string second = testsig::tempPath("rg-play-2.mp3");
    const std::string capture = testsig::tempPath("rg-play.wav");
    writeFile(first, join({id3v2(3, txxx(3, "REPLAYGAIN_TRACK_GAIN", "-6.0206 dB")), plain}));
    writeFile(
        second,
        join({id3v2(3, join({txxx(3, "REPLAYGAIN_TRACK_GAIN", "+9 dB"), txxx(3, "REPLAYGAIN_TRACK_PEAK", "0.5")})),
              plain}));
    auto play = [&](const std::string& option) {
        setenv("ORVANE_OUTPUT", ("capture:" + capture + ",fast").c_str(), 1);
        const CliResult r = runOrvane("play -q " + option + " " + first + " " + second);
        unsetenv("ORVANE_OUTPUT");
        EXPECT_EQ(r.status, 0) << r.err;
        return testsig::readWavPcm16(capture);
    };
    const std::vector<int16_t> reference = play("");
    const std::vector<int16_t> scaled = play("--replaygain track");
    ASSERT_EQ(scaled.size(), reference.size());
    ASSERT_EQ(reference.size(), size_t(4 * kRate));
    const size_t window = 2 * kRate / 50;
    const size_t joinAt = 2 * kRate;
    auto ratio = [&](size_t from) {
        return testsig::rmsPcm16(scaled.data() + from, window) / testsig::rmsPcm16(reference.data() + from, window);
    };
    for (size_t from = window; from + window <= joinAt; from += window)
        EXPECT_NEAR(ratio(from), 0.5, 0.005) << "at sample " << from;
    for (size_t from = joinAt; from + 2 * window <= reference.size(); from += window)
        EXPECT_NEAR(ratio(from), 2.0, 0.02) << "at sample " << from;
    for (const std::string& path : {first, second, capture})
        std::remove(path.c_str());
}

}  // namespace
