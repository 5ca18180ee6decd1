#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

// A 440 Hz tone cut into tracks of 0.1 to 1.2 s, each encoded by lame (which records its delay
// and padding), listed in an .m3u8 with a byte-order mark, #EXTINF lines and names relative to
// the list's folder. Played into one fast capture, the list comes back whole and gapless: every
// sample of the tone, each within the encoder's error of where it belongs.
TEST(PlayGapless, ListOfShortTracksIsCapturedWholeAndGapless)
{
    if (std::system("lame --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "lame is needed to encode the tracks";
    const std::filesystem::path folder = testsig::tempPath("gapless-list");
    std::filesystem::create_directories(folder / "tracks");
    constexpr uint32_t kRate = 44100;
    constexpr double kAmplitude = 12000;
    const double seconds[] = {0.1, 0.35, 1.2, 0.15, 0.6, 0.1, 0.9, 0.25, 1.0, 0.1, 0.45};
    std::ofstream list(folder / "list.m3u8", std::ios::binary);
    list << "\xEF\xBB\xBF#EXTM3U\r\n";
    size_t total = 0;
    for (size_t k = 0; k < std::size(seconds); ++k) {
        const auto n = size_t(std::lround(seconds[k] * kRate));
        std::vector<int16_t> pcm(2 * n);
        for (size_t i = 0; i < n; ++i)
            pcm[2 * i] = pcm[2 * i + 1]
                = int16_t(std::lround(kAmplitude * std::sin(2 * M_PI * 440 * double(total + i) / kRate)));
        total += n;
        const std::string name = "tracks/t" + std::to_string(k);
        const std::string wav = (folder / (name + ".wav")).string();
        ASSERT_TRUE(testsig::writeWavPcm16(wav, pcm, 2, kRate));
        ASSERT_EQ(std::system(("lame --quiet -b 160 " + wav + " " + (folder / (name + ".mp3")).string()).c_str()), 0);
        list << "#EXTINF:" << seconds[k] << ",Tone - part " << k << "\r\n" << name << ".mp3\r\n";
    }
    list.close();
    const std::string capture = (folder / "capture.wav").string();
    setenv("ORVANE_OUTPUT", ("capture:" + capture + ",fast").c_str(), 1);
    const CliResult r = runOrvane("play " + (folder / "list.m3u8").string());
    unsetenv("ORVANE_OUTPUT");
    EXPECT_EQ(r.status, 0) << r.err;
    // Off a terminal, one line per file once it has played, none past its length.
    std::istringstream lines(r.out);
    size_t played = 0;
    for (std::string line; std::getline(lines, line); ++played) {
        const std::string expected = "  " + std::to_string(played + 1) + "/" + std::to_string(std::size(seconds)) + " "
            + (folder / ("tracks/t" + std::to_string(played) + ".mp3")).string();
        EXPECT_EQ(line,
                  "played 0:0" + std::to_string(seconds[played] >= 1 ? 1 : 0) + " of 0:0"
                      + std::to_string(seconds[played] >= 1 ? 1 : 0) + expected);
    }
    EXPECT_EQ(played, std::size(seconds));
    const std::vector<int16_t> got = testsig::readWavPcm16(capture);
    ASSERT_EQ(got.size(), 2 * total);
    // The tone at the level the output plays it (a least-squares gain), then the error over 20 ms
    // windows: the coder's noise stays far below what a sample lost or repeated at a join leaves
    // on the rest of the track (about -27 dB of the tone).
    std::vector<double> tone(total);
    double cross = 0, power = 0;
    for (size_t i = 0; i < total; ++i) {
        tone[i] = kAmplitude * std::sin(2 * M_PI * 440 * double(i) / kRate);
        cross += got[2 * i] * tone[i];
        power += tone[i] * tone[i];
    }
    const double gain = cross / power;
    EXPECT_GT(gain, 0.5);
    double worst = 0;
    for (size_t from = 0; from + 882 <= total; from += 882) {
        double error = 0;
        for (size_t i = from; i < from + 882; ++i)
            error += std::pow(got[2 * i] - gain * tone[i], 2);
        worst = std::max(worst, std::sqrt(error / 882));
    }
    EXPECT_LT(worst, kAmplitude / 100);
    std::filesystem::remove_all(folder);
}

}  // namespace
