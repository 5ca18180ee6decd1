#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "orvane/dsp.h"
#include "orvane/tessor.h"
#include "platform/platform.h"
#include "support/signal.h"

namespace {

constexpr double kAmplitude = 12000.0;

// A mono 440 Hz tone pulled in blocks; after switchAfter pulls it asks the output for a new pitch.
struct ToneSource {
    std::vector<float> samples;
    std::atomic<size_t> pos{0};
    std::atomic<bool> dry{false};
    int32_t handle = 0;
    int switchAfter = -1;
    float newPitch = 0.0f;
    int calls = 0;

    static int32_t pull(float* buffer, int32_t frames, int32_t, void* context)
    {
        auto* self = static_cast<ToneSource*>(context);
        if (self->calls++ == self->switchAfter)
            setPitchWaveOut(self->handle, self->newPitch);
        const size_t n = std::min(static_cast<size_t>(frames), self->samples.size() - self->pos);
        std::copy_n(self->samples.data() + self->pos, n, buffer);
        self->pos += n;
        if (n == 0)
            self->dry = true;
        return static_cast<int32_t>(n);
    }
};

struct Captured {
    std::vector<float> samples;
    uint32_t rate = 0;
};

// Plays `seconds` of the tone through a fast capture with the settings applied by `configure`.
template<class Configure>
Captured play(const char* name, double seconds, Configure configure, int switchAfter = -1, float newPitch = 0)
{
    const std::string path = testsig::tempPath(name);
    ToneSource s;
    const std::vector<int16_t> pcm = testsig::sinePcm16(440.0, 44100.0, uint32_t(44100 * seconds), 1, kAmplitude);
    s.samples.assign(pcm.begin(), pcm.end());
    s.switchAfter = switchAfter;
    s.newPitch = newPitch;
    const int32_t h = initWaveOut();
    s.handle = h;
    EXPECT_EQ(selectOutputWaveOut(h, TESSOR_OUTPUT_CAPTURE, path.c_str(), 1), 1);
    configure(h);
    EXPECT_EQ(openWaveOut(h, -1, 44100, 1, &ToneSource::pull, &s, 1, 8192, 4), 1);
    const uint32_t start = platform::tickCount();
    while (!s.dry && platform::tickCount() - start < 20000)
        platform::sleepMs(5);
    EXPECT_TRUE(s.dry.load());
    EXPECT_EQ(termWaveOut(h), 1);

    Captured c;
    void* in = initWavefileIn(path.c_str(), 4096);
    if (in == nullptr) {
        ADD_FAILURE() << "no capture at " << path;
        return c;
    }
    c.rate = getFormatWavefileIn(in)->nSamplesPerSec;
    std::vector<int16_t> block(4096);
    int32_t got = 0;
    while ((got = readWavefileIn(in, block.data(), 4096)) > 0)
        c.samples.insert(c.samples.end(), block.begin(), block.begin() + got / 2);
    termWavefileIn(in);
    std::remove(path.c_str());
    return c;
}

TEST(TessorLive, PitchShiftsTheToneAndKeepsItsLength)
{
    const Captured c = play("live_pitch.wav", 1.0, [](int32_t h) { setPitchWaveOut(h, 1200); });
    ASSERT_EQ(c.samples.size(), 44100u);
    EXPECT_NEAR(testsig::dominantFrequency(c.samples.data() + 22050, 4096, 44100), 880.0, 3.0);
}

TEST(TessorLive, SpeedChangesTheLengthButNotThePitch)
{
    const Captured fast = play("live_fast.wav", 1.0, [](int32_t h) { setSpeedWaveOut(h, 1000); });
    EXPECT_NEAR(double(fast.samples.size()), 22050.0, 8.0);  // truncation of each block's count
    EXPECT_NEAR(testsig::dominantFrequency(fast.samples.data() + 8192, 4096, 44100), 440.0, 3.0);
    const Captured slow = play("live_slow.wav", 0.5, [](int32_t h) { setSpeedWaveOut(h, -500); });
    EXPECT_NEAR(double(slow.samples.size()), 44100.0, 8.0);
}

TEST(TessorLive, PitchSwitchWhilePlayingLeavesNoClick)
{
    const Captured c = play(
        "live_switch.wav", 1.0, [](int32_t) {}, 2, 700.0f);
    ASSERT_EQ(c.samples.size(), 44100u);
    float worst = 0.0f;
    for (size_t i = 1; i < c.samples.size(); ++i)
        worst = std::max(worst, std::fabs(c.samples[i] - c.samples[i - 1]));
    // A 440 Hz tone moves at most 2*pi*f/rate of its amplitude per sample; a click would jump far more.
    EXPECT_LT(worst, float(2.0 * kAmplitude));
    EXPECT_NEAR(testsig::dominantFrequency(c.samples.data() + 30000, 4096, 44100),
                440.0 * std::pow(2.0, 700.0 / 1200.0), 4.0);
}

TEST(TessorLive, Output48kConvertsTheRateAndKeepsTheTone)
{
    const Captured c = play("live_48k.wav", 1.0, [](int32_t h) {
        enableOrvane48kWaveOut(h, 1);
        setHarmonicsWaveOut(h, 0.3f);
    });
    EXPECT_EQ(c.rate, 48000u);
    EXPECT_NEAR(double(c.samples.size()), 48000.0, 16.0);
    EXPECT_NEAR(testsig::dominantFrequency(c.samples.data() + 20000, 4096, 48000), 440.0, 3.0);
}

}  // namespace
