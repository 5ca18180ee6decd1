#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

struct Wav {
    std::vector<float> left;
    uint32_t rate = 0;
};

// Two seconds of a stereo 440 Hz tone through orvane fx with the given effects.
Wav throughFx(const std::string& effects)
{
    const std::string in = testsig::tempPath("fx-rate-in.wav");
    const std::string out = testsig::tempPath("fx-rate-out.wav");
    EXPECT_TRUE(testsig::writeWavPcm16(in, testsig::sinePcm16(440, 44100, 88200, 2, 12000), 2, 44100));
    EXPECT_EQ(runOrvane("fx " + in + " " + out + " " + effects).status, 0) << effects;
    uint32_t channels = 0;
    Wav w;
    const std::vector<int16_t> pcm = testsig::readWavPcm16(out, &channels, &w.rate);
    for (size_t i = 0; i < pcm.size(); i += 2)
        w.left.push_back(pcm[i]);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return w;
}

TEST(FxRate, EachEffectDoesWhatItsNameSays)
{
    const Wav resampled = throughFx("resample:48000,cubic,aa");
    EXPECT_EQ(resampled.rate, 48000u);
    EXPECT_NEAR(double(resampled.left.size()), 96000.0, 30.0);  // per-block truncation
    EXPECT_NEAR(testsig::dominantFrequency(resampled.left.data() + 40000, 4096, 48000), 440.0, 2.0);

    const Wav pitched = throughFx("pitch:1200");
    EXPECT_EQ(pitched.left.size(), 88200u);
    EXPECT_NEAR(testsig::dominantFrequency(pitched.left.data() + 40000, 4096, 44100), 880.0, 3.0);

    const Wav stretched = throughFx("stretch:1000");
    EXPECT_NEAR(double(stretched.left.size()), 44100.0, 30.0);
    EXPECT_NEAR(testsig::dominantFrequency(stretched.left.data() + 20000, 4096, 44100), 440.0, 3.0);

    const Wav upsampled = throughFx("hqups:0.3,100");
    EXPECT_EQ(upsampled.rate, 48000u);
    EXPECT_EQ(runOrvane("fx in.wav out.wav pitch:9000").status == 0, false);  // out of range is refused
}

}  // namespace
