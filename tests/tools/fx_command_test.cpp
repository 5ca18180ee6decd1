#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

TEST(FxCommand, WithoutEffectsCopiesTheStream)
{
    const std::string in = testsig::tempPath("fx-copy-in.wav");
    const std::string out = testsig::tempPath("fx-copy-out.wav");
    // Longer than one processing block and not a multiple of it, so the partial last block counts.
    const std::vector<int16_t> noise = testsig::noisePcm16(2 * 10007, 21);
    ASSERT_TRUE(testsig::writeWavPcm16(in, noise, 2, 32000));
    EXPECT_EQ(runOrvane("fx " + in + " " + out).status, 0);
    uint32_t channels = 0;
    uint32_t rate = 0;
    EXPECT_EQ(testsig::readWavPcm16(out, &channels, &rate), noise);
    EXPECT_EQ(channels, 2u);
    EXPECT_EQ(rate, 32000u);
    std::remove(in.c_str());
    std::remove(out.c_str());
}

// Magnitude of the bilinear Chebyshev type I low-pass (ripple band edge at cutoffHz) at freqHz.
double chebyshevLowPass(int order, double rippleDb, double cutoffHz, double freqHz, double rateHz)
{
    const double eps2 = std::pow(10.0, rippleDb / 10.0) - 1.0;
    const double w = std::tan(M_PI * freqHz / rateHz) / std::tan(M_PI * cutoffHz / rateHz);
    const double t = w <= 1.0 ? std::cos(order * std::acos(w)) : std::cosh(order * std::acosh(w));
    return 1.0 / std::sqrt(1.0 + eps2 * t * t);
}

TEST(FxCommand, LowPassAttenuatesAToneByTheDesignedAmount)
{
    const std::string in = testsig::tempPath("fx-iir-in.wav");
    const std::string out = testsig::tempPath("fx-iir-out.wav");
    const double rate = 44100.0;
    const uint32_t frames = 3 * 44100;
    std::vector<int16_t> mix(frames * 2);
    const std::vector<int16_t> high = testsig::sinePcm16(5000.0, rate, frames, 1, 16000.0);
    const std::vector<int16_t> low = testsig::sinePcm16(200.0, rate, frames, 1, 8000.0);
    for (uint32_t i = 0; i < frames; ++i)
        mix[2 * i] = mix[2 * i + 1] = int16_t(high[i] + low[i]);
    ASSERT_TRUE(testsig::writeWavPcm16(in, mix, 2, 44100));
    ASSERT_EQ(runOrvane("fx " + in + " " + out + " iir:2,1000,lp").status, 0);
    const std::vector<int16_t> filtered = testsig::readWavPcm16(out);
    ASSERT_EQ(filtered.size(), mix.size());

    // Measured on the last two seconds, after the filter has settled; both channels alike.
    const size_t skip = 2 * 44100;
    for (size_t channel = 0; channel < 2; ++channel) {
        const int16_t* x = filtered.data() + skip + channel;
        const size_t n = filtered.size() - skip - channel;
        const double gain5k = testsig::toneAmplitudePcm16(x, n, 5000.0, rate, 2) / 16000.0;
        const double gain200 = testsig::toneAmplitudePcm16(x, n, 200.0, rate, 2) / 8000.0;
        // About -28.3 dB at 5 kHz and -0.9 dB at 200 Hz; 0.3 dB covers 16-bit truncation.
        EXPECT_NEAR(20.0 * std::log10(gain5k), 20.0 * std::log10(chebyshevLowPass(2, 1.0, 1000.0, 5000.0, rate)), 0.3);
        EXPECT_NEAR(20.0 * std::log10(gain200), 20.0 * std::log10(chebyshevLowPass(2, 1.0, 1000.0, 200.0, rate)), 0.05);
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
}

TEST(FxCommand, ReportsBadInputAndUnknownEffects)
{
    const std::string in = testsig::tempPath("fx-bad-in.wav");
    const std::string out = testsig::tempPath("fx-bad-out.wav");
    EXPECT_EQ(runOrvane("fx").status, 2);
    EXPECT_EQ(runOrvane("fx " + in).status, 2);
    EXPECT_EQ(runOrvane("fx --help").status, 0);
    EXPECT_EQ(runOrvane("fx " + in + " " + out).status, 1);  // missing input file

    FILE* f = std::fopen(in.c_str(), "wb");
    std::fputs("RIFF\x10\0\0\0WAVEjunk", f);
    std::fclose(f);
    EXPECT_EQ(runOrvane("fx " + in + " " + out).status, 1);  // not a usable WAV file

    ASSERT_TRUE(testsig::writeWavPcm16(in, std::vector<int16_t>(100, 5), 1, 44100));
    EXPECT_EQ(runOrvane("fx " + in + " " + out + " no-such-effect").status, 2);
    std::remove(in.c_str());
    std::remove(out.c_str());
}

// The run succeeds but says what the user may not expect: a WAV file shorter than its header
// says (what it holds is processed), and 16-bit samples held at full scale (counted). Effect
// arguments are decimal numbers only.
TEST(FxCommand, WarnsOnACutShortInputAndOnClippingAndTakesDecimalNumbersOnly)
{
    const std::string in = testsig::tempPath("fx-warn-in.wav");
    const std::string out = testsig::tempPath("fx-warn-out.wav");
    // Every fifth sample at +-20000, the rest at +-10000: doubled, exactly the former clip.
    std::vector<int16_t> samples(5000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t((i % 5 == 0 ? 20000 : 10000) * (i % 2 == 0 ? 1 : -1));
    ASSERT_TRUE(testsig::writeWavPcm16(in, samples, 1, 8000));

    CliResult r = runOrvane("fx " + in + " " + out);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    r = runOrvane("-q fx " + in + " " + out + " gain:6.0206");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "orvane fx: warning: 1000 samples clipped in the 16-bit output\n");
    r = runOrvane("fx " + in + " " + out + " --bits 32 gain:6.0206");
    EXPECT_EQ(r.err, "");  // a float output holds them

    // The data chunk loses its last 1000 samples; the header still counts them.
    std::filesystem::resize_file(in, 44 + 2 * 4000);
    r = runOrvane("fx " + in + " " + out);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("warning: '" + in + "' ends before its header says"), std::string::npos) << r.err;
    EXPECT_EQ(testsig::readWavPcm16(out), std::vector<int16_t>(samples.begin(), samples.begin() + 4000));

    for (const char* bad : {"0x10", "0X1p3", "inf", "nan", " 3", "3 ", "1e", ".", "--1", "+"}) {
        r = runOrvane("fx " + in + " " + out + " 'gain:" + bad + "'");
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("is not a number"), std::string::npos) << bad << ": " << r.err;
    }
    for (const char* good : {"+1.5", "-.5", "2.", "1e0", "-2E-1"})
        EXPECT_EQ(runOrvane("fx " + in + " " + out + " gain:" + good).status, 0) << good;
    EXPECT_EQ(runOrvane("fx " + in + " " + out + " norm:0x0").status, 2);
    std::remove(in.c_str());
    std::remove(out.c_str());
}

}  // namespace
