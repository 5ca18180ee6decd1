#include <gtest/gtest.h>

#include <cmath>
#include <complex>
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
    EXPECT_EQ(resampled.left.size(), 96000u);
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

// Phase in radians of a freq tone in x[from, from + n) against sin(2 pi freq i / rate).
double tonePhase(const std::vector<float>& x, size_t from, size_t n, double freq, double rate)
{
    std::complex<double> sum;
    for (size_t i = from; i < from + n; ++i)
        sum += double(x[i]) * std::polar(1.0, -2.0 * M_PI * freq * double(i) / rate);
    return std::arg(sum * std::complex<double>(0.0, 1.0));  // a sine reads 0
}

// Every unit an effect takes, through one table: what comes out in length, frequency and level.
TEST(FxRate, NaturalUnits)
{
    struct Case {
        const char* effects;
        double length;     // output frames per input frame
        double frequency;  // of the 440 Hz tone afterwards
        double level;      // peak afterwards in 16-bit units, 0 to skip
    } const cases[] = {
        {"tempo:0.8", 1.25, 440.0, 0},
        {"tempo:2", 0.5, 440.0, 0},
        {"speed:1.25", 0.8, 550.0, 0},
        {"pitch:-3st", 1.0, 440.0 * std::pow(2.0, -3.0 / 12.0), 0},
        {"pitch:700", 1.0, 440.0 * std::pow(2.0, 7.0 / 12.0), 0},
        {"gain:-6", 1.0, 440.0, 12000 * std::pow(10.0, -6.0 / 20.0)},
        {"norm", 1.0, 440.0, 32767},
        {"gain:-20 norm:-3", 1.0, 440.0, 32767 * std::pow(10.0, -3.0 / 20.0)},
    };
    for (const Case& c : cases) {
        const Wav w = throughFx(c.effects);
        EXPECT_NEAR(double(w.left.size()), 88200 * c.length, 88200 * c.length * 0.002) << c.effects;
        const size_t mid = w.left.size() / 2 - 2048;
        EXPECT_NEAR(testsig::dominantFrequency(w.left.data() + mid, 4096, 44100), c.frequency, 2.0) << c.effects;
        if (c.level > 0) {
            float peak = 0;
            for (float v : w.left)
                peak = std::max(peak, std::fabs(v));
            EXPECT_NEAR(peak, c.level, c.level * 0.01 + 1) << c.effects;
        }
    }
    const std::string in = testsig::tempPath("fx-units-in.wav");
    const std::string out = testsig::tempPath("fx-units-out.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(in, testsig::sinePcm16(440, 44100, 1000), 1, 44100));
    for (const char* bad :
         {"tempo:0", "tempo:x", "speed:3", "pitch:13st", "pitch:st", "gain:60", "norm:1", "norm gain:1"})
        EXPECT_EQ(runOrvane("fx " + in + " " + out + " " + bad).status, 2) << bad;
    std::remove(in.c_str());
    std::remove(out.c_str());
}

// Twenty seconds at 44.1 kHz become exactly 960000 frames at 48 kHz, and a tone keeps its phase
// against an exact reference from start to end: nothing is lost between blocks.
TEST(FxRate, ResamplingLengthIsExactAndPhaseLocked)
{
    const std::string in = testsig::tempPath("fx-rate-long.wav");
    const std::string out = testsig::tempPath("fx-rate-long-out.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(in, testsig::sinePcm16(1000, 44100, 20 * 44100, 1, 12000), 1, 44100));
    for (const char* kind : {"", ",cubic"}) {
        ASSERT_EQ(runOrvane("fx " + in + " " + out + " resample:48000" + kind).status, 0);
        const std::vector<int16_t> pcm = testsig::readWavPcm16(out);
        ASSERT_EQ(pcm.size(), 960000u) << kind;
        const std::vector<float> x(pcm.begin(), pcm.end());
        // 0.01 rad at 1 kHz is 1.6 microseconds; the old per-block loss drifted by a millisecond.
        // Output k is read at source position (k + 1) x 44100 / 48000 less one sample (linear) or
        // two (cubic): a constant lag, which must not grow.
        const double lag = (*kind ? 2.0 : 1.0) - 44100.0 / 48000.0;
        const double start = tonePhase(x, 48000, 4800, 1000, 48000);
        EXPECT_NEAR(start, -lag * 2.0 * M_PI * 1000 / 44100, 0.01) << kind;
        EXPECT_NEAR(tonePhase(x, 960000 - 9600, 4800, 1000, 48000), start, 0.01) << kind;
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
}

}  // namespace
