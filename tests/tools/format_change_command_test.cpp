#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

// A lame encode of a tone at half of full scale, in every channel; "" when lame fails.
std::string encodeTone(const std::string& name, double hz, uint32_t rate, uint32_t channels, uint32_t frames)
{
    const std::vector<int16_t> pcm = testsig::sinePcm16(hz, rate, frames, channels, 0.5 * 32768.0);
    const std::string wav = testsig::tempPath(name + ".wav"), mp3 = testsig::tempPath(name + ".mp3");
    const bool ok = testsig::writeWavPcm16(wav, pcm, channels, rate)
        && std::system(("lame --quiet -b 128 " + wav + " " + mp3).c_str()) == 0;
    std::remove(wav.c_str());
    return ok ? mp3 : std::string();
}

size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A mono 44.1 kHz file joined with a stereo 48 kHz one: convert writes both parts whole in the
// first's format, the second at its level, and says so once, from a file or standard input; info
// counts the change.
TEST(FormatChangeCommands, ConvertWritesEveryPartAndSaysSoOnce)
{
    if (std::system("lame --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "lame encoder not installed: streams cannot be made";
    const std::string first = encodeTone("change-first", 440.0, 44100, 1, 88200);
    const std::string second = encodeTone("change-second", 1000.0, 48000, 2, 96000);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    const std::string joined = testsig::tempPath("change-joined.mp3"), wav = testsig::tempPath("change.wav");
    ASSERT_EQ(std::system(("cat " + first + " " + second + " > " + joined).c_str()), 0);

    // The second part alone, at its own rate: the level the joined file must keep.
    const std::string alone = testsig::tempPath("change-alone.wav");
    ASSERT_EQ(runOrvane("-q convert " + second + " " + alone).status, 0);
    const std::vector<int16_t> secondPcm = testsig::readWavPcm16(alone);
    const double level = testsig::toneAmplitudePcm16(secondPcm.data() + 24000 * 2, 48000, 1000.0, 48000.0, 2);

    const CliResult r = runOrvane("convert " + joined + " " + wav);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.err, "changes format mid-stream"), 1u) << r.err;
    uint32_t channels = 0, rate = 0;
    const std::vector<int16_t> pcm = testsig::readWavPcm16(wav, &channels, &rate);
    EXPECT_EQ(channels, 1u);
    EXPECT_EQ(rate, 44100u);
    const size_t firstFrames = 88200, secondFrames = size_t(96000) * 44100 / 48000;
    ASSERT_EQ(pcm.size(), firstFrames + secondFrames);
    const size_t middle = firstFrames + secondFrames / 4;
    EXPECT_NEAR(testsig::toneAmplitudePcm16(pcm.data() + middle, secondFrames / 2, 1000.0, 44100.0), level,
                0.01 * level);

    // Read once from standard input: the same samples, and the notice once the change is met.
    const std::string piped = testsig::tempPath("change-piped.wav");
    const CliResult p = runOrvane("convert - " + piped + " < " + joined);
    ASSERT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(count(p.err, "changes format mid-stream"), 1u) << p.err;
    EXPECT_TRUE(testsig::readWavPcm16(piped) == pcm);

    const CliResult info = runOrvane("info " + joined);
    EXPECT_EQ(infoLine(info.out, "format changes:").substr(0, 2), "1 ");
    EXPECT_EQ(count(info.err, "changes format mid-stream"), 1u) << info.err;
    for (const std::string& f : {first, second, joined, wav, alone, piped})
        std::remove(f.c_str());
}

}  // namespace
