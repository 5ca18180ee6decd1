#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "orvane/dsp.h"
#include "orvane/tessor.h"
#include "platform/platform.h"
#include "support/signal.h"
#include "support/wait_until.h"

namespace {

// Plays a fixed interleaved signal once, then reports nothing more; remembers when it ran dry.
struct Source {
    std::vector<float> samples;
    uint32_t channels = 2;
    std::atomic<size_t> pos{0};
    std::atomic<int> calls{0};
    std::atomic<uint32_t> dryTick{0};

    static int32_t pull(float* buffer, int32_t frames, int32_t, void* context)
    {
        auto* self = static_cast<Source*>(context);
        self->calls++;
        const size_t want = static_cast<size_t>(frames) * self->channels;
        const size_t n = std::min(want, self->samples.size() - self->pos);
        std::copy_n(self->samples.data() + self->pos, n, buffer);
        self->pos += n;
        if (n == 0 && self->dryTick == 0)
            self->dryTick = platform::tickCount();
        return static_cast<int32_t>(n / self->channels);
    }
};

std::vector<float> toneFloat(uint32_t frames, uint32_t channels)
{
    const std::vector<int16_t> pcm = testsig::sinePcm16(1000.0, 44100.0, frames, channels, 12000.0);
    return std::vector<float>(pcm.begin(), pcm.end());
}

bool waitUntilDry(const Source& s)
{
    return testsig::waitUntil([&] { return s.dryTick != 0; });
}

// Pacing is a bound from below only: a busy machine can make the play slower, never faster.
TEST(Tessor, NullOutputTakesAtLeastTheAudiosRealTime)
{
    Source s;
    s.samples = toneFloat(44100, 2);  // one second
    const int32_t h = initWaveOut();
    ASSERT_NE(h, 0);
    ASSERT_EQ(selectOutputWaveOut(h, TESSOR_OUTPUT_NULL, nullptr, 0), 1);
    const uint32_t start = platform::tickCount();
    ASSERT_EQ(openWaveOut(h, -1, 44100, 2, &Source::pull, &s, 1, 16384, 4), 1);
    EXPECT_EQ(getOutputWaveOut(h), TESSOR_OUTPUT_NULL);
    ASSERT_TRUE(waitUntilDry(s));
    const uint32_t elapsed = s.dryTick - start;
    EXPECT_GE(elapsed, 900u);  // the last pull may lead the clock by less than a block
    EXPECT_EQ(termWaveOut(h), 1);
    EXPECT_EQ(termWaveOut(h), 0);
}

TEST(Tessor, FastCaptureWritesEverySampleAndFeedsTheReadOuts)
{
    const std::string path = testsig::tempPath("tessor_capture.wav");
    Source s;
    s.samples = toneFloat(10000, 2);
    const int32_t h = initWaveOut();
    ASSERT_EQ(selectOutputWaveOut(h, TESSOR_OUTPUT_CAPTURE, path.c_str(), 1), 1);
    ASSERT_EQ(openWaveOut(h, -1, 44100, 2, &Source::pull, &s, 1, 16384, 4), 1);
    EXPECT_EQ(getOutputWaveOut(h), TESSOR_OUTPUT_CAPTURE);
    EXPECT_EQ(selectOutputWaveOut(h, TESSOR_OUTPUT_NULL, nullptr, 0), 0);  // already open
    ASSERT_TRUE(waitUntilDry(s));

    // The last block sent was the tail of the tone.
    std::vector<int16_t> wave(2 * 100);
    ASSERT_EQ(getCurrentWaveformWaveOut(h, wave.data(), 100), 1);
    for (size_t i = 0; i < wave.size(); ++i)
        ASSERT_EQ(wave[i], static_cast<int16_t>(s.samples[s.samples.size() - wave.size() + i]));
    int16_t levels[2] = {0, 0};
    ASSERT_EQ(getCurrentLevelWaveOut(h, levels), 1);
    EXPECT_GT(levels[0], 11000);
    EXPECT_LE(levels[0], 12000);
    EXPECT_EQ(termWaveOut(h), 1);

    void* in = initWavefileIn(path.c_str(), 16);
    ASSERT_NE(in, nullptr);
    std::vector<int16_t> back(s.samples.size() + 2);
    ASSERT_EQ(readWavefileIn(in, back.data(), 10001), 40000);
    for (size_t i = 0; i < s.samples.size(); ++i)
        ASSERT_EQ(back[i], static_cast<int16_t>(s.samples[i])) << i;
    termWavefileIn(in);
}

TEST(Tessor, TheEnvironmentChoosesTheOutput)
{
    const std::string path = testsig::tempPath("tessor_env.wav");
    setenv("ORVANE_OUTPUT", ("capture:" + path + ",fast").c_str(), 1);
    Source s;
    s.channels = 1;
    s.samples = toneFloat(3000, 1);
    const int32_t h = initWaveOut();
    unsetenv("ORVANE_OUTPUT");
    ASSERT_EQ(openWaveOut(h, -1, 22050, 1, &Source::pull, &s, 1, 16384, 4), 1);
    EXPECT_EQ(getOutputWaveOut(h), TESSOR_OUTPUT_CAPTURE);
    ASSERT_TRUE(waitUntilDry(s));
    int16_t levels[2];
    getCurrentLevelWaveOut(h, levels);
    EXPECT_EQ(levels[0], levels[1]);  // mono gives both the same
    EXPECT_EQ(termWaveOut(h), 1);
    void* in = initWavefileIn(path.c_str(), 16);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(+getHeaderWavefileIn(in)->dataBytes, 6000u);
    termWavefileIn(in);
}

// Without a sound card (build machines) the device request falls back to the null output.
TEST(Tessor, DeviceRequestFallsBackToTheNullOutput)
{
    Source s;
    s.samples = toneFloat(4410, 2);
    const int32_t h = initWaveOut();
    ASSERT_EQ(selectOutputWaveOut(h, TESSOR_OUTPUT_DEVICE, nullptr, 0), 1);
    ASSERT_EQ(openWaveOut(h, 9999, 44100, 2, &Source::pull, &s, 1, 16384, 4), 1);
    EXPECT_EQ(getOutputWaveOut(h), TESSOR_OUTPUT_NULL);
    EXPECT_EQ(termWaveOut(h), 1);

    // The system default: the device when there is one, else the null output.
    const int32_t d = initWaveOut();
    selectOutputWaveOut(d, TESSOR_OUTPUT_DEVICE, nullptr, 0);
    ASSERT_EQ(openWaveOut(d, -1, 44100, 2, &Source::pull, &s, 1, 16384, 4), 1);
    const int32_t kind = getOutputWaveOut(d);
    EXPECT_TRUE(kind == TESSOR_OUTPUT_DEVICE || kind == TESSOR_OUTPUT_NULL) << kind;
    EXPECT_EQ(termWaveOut(d), 1);
}

TEST(Tessor, StopHaltsTheCallbackAndStartResumes)
{
    Source s;
    s.samples = toneFloat(44100 * 10, 2);
    const int32_t h = initWaveOut();
    selectOutputWaveOut(h, TESSOR_OUTPUT_NULL, nullptr, 0);
    ASSERT_EQ(openWaveOut(h, -1, 44100, 2, &Source::pull, &s, 1, 4096, 4), 1);
    ASSERT_TRUE(testsig::waitUntil([&] { return s.calls > 1; }));
    ASSERT_EQ(stopWaveOut(h), 1);
    // The thread may have passed its last look at the switch when the stop came: one more call at
    // most. A paced block is about 23 ms, so the pause below spans several.
    const int calls = s.calls;
    platform::sleepMs(200);
    EXPECT_LE(s.calls, calls + 1);
    const int stopped = s.calls;
    ASSERT_EQ(startWaveOut(h), 1);
    EXPECT_TRUE(testsig::waitUntil([&] { return s.calls > stopped; }));
    EXPECT_EQ(termWaveOut(h), 1);
}

TEST(Tessor, SettingsAreStoredAndReportedBack)
{
    const int32_t h = initWaveOut();
    EXPECT_EQ(setPitchWaveOut(h, 120.0f), 1);
    EXPECT_EQ(setSpeedWaveOut(h, -5.0f), 1);
    EXPECT_EQ(setHarmonicsWaveOut(h, 0.3f), 1);
    EXPECT_EQ(enableEffectWaveOut(h, 1), 1);
    EXPECT_EQ(enableOrvane48kWaveOut(h, 1), 1);
    EXPECT_EQ(enableGraphicEQWaveOut(h, 0), 1);
    EXPECT_EQ(startCaptureWaveOut(h, 0, 1), 1);
    TessorSettings t{};
    ASSERT_EQ(getSettingsWaveOut(h, &t), 1);
    EXPECT_EQ(t.pitch, 120.0f);
    EXPECT_EQ(t.speed, -5.0f);
    EXPECT_EQ(t.harmonics, 0.3f);
    EXPECT_EQ(t.effectEnabled, 1);
    EXPECT_EQ(t.output48k, 1);
    EXPECT_EQ(t.graphicEq, 0);
    EXPECT_EQ(t.captureConvertMode, 1);
    EXPECT_EQ(termWaveOut(h), 1);  // never opened
}

TEST(Tessor, UnknownHandlesAndBadArgumentsAreRefused)
{
    for (int32_t bad : {0, -1, 123456}) {
        EXPECT_EQ(setPitchWaveOut(bad, 1.0f), 0);
        EXPECT_EQ(startWaveOut(bad), 0);
        EXPECT_EQ(stopWaveOut(bad), 0);
        EXPECT_EQ(termWaveOut(bad), 0);
        EXPECT_EQ(getOutputWaveOut(bad), -1);
        int16_t l[2];
        EXPECT_EQ(getCurrentLevelWaveOut(bad, l), 0);
        EXPECT_EQ(openWaveOut(bad, -1, 44100, 2, &Source::pull, nullptr, 1, 16384, 4), 0);
    }
    Source s;
    const int32_t h = initWaveOut();
    selectOutputWaveOut(h, TESSOR_OUTPUT_NULL, nullptr, 0);
    EXPECT_EQ(selectOutputWaveOut(h, 7, nullptr, 0), 0);
    EXPECT_EQ(selectOutputWaveOut(h, TESSOR_OUTPUT_CAPTURE, nullptr, 0), 0);
    EXPECT_EQ(selectOutputWaveOut(h, TESSOR_OUTPUT_CAPTURE, "", 0), 0);
    EXPECT_EQ(openWaveOut(h, -1, 0, 2, &Source::pull, &s, 1, 16384, 4), 0);
    EXPECT_EQ(openWaveOut(h, -1, 44100, 3, &Source::pull, &s, 1, 16384, 4), 0);
    EXPECT_EQ(openWaveOut(h, -1, 44100, 2, nullptr, &s, 1, 16384, 4), 0);
    EXPECT_EQ(openWaveOut(h, -1, 44100, 2, &Source::pull, &s, 1, 0, 4), 0);
    EXPECT_EQ(startWaveOut(h), 0);  // not open
    int16_t l[2];
    EXPECT_EQ(getCurrentLevelWaveOut(h, l), 0);
    ASSERT_EQ(openWaveOut(h, -1, 44100, 2, &Source::pull, &s, 1, 16384, 4), 1);
    EXPECT_EQ(openWaveOut(h, -1, 44100, 2, &Source::pull, &s, 1, 16384, 4), 0);
    std::vector<int16_t> w(2 * 65537);
    EXPECT_EQ(getCurrentWaveformWaveOut(h, w.data(), 0), 0);
    EXPECT_EQ(getCurrentWaveformWaveOut(h, w.data(), 65537), 0);
    EXPECT_EQ(getCurrentWaveformWaveOut(h, nullptr, 10), 0);
    EXPECT_EQ(getCurrentLevelWaveOut(h, nullptr), 0);
    EXPECT_EQ(termWaveOut(h), 1);
    EXPECT_EQ(selectOutputWaveOut(h, TESSOR_OUTPUT_CAPTURE, testsig::tempPath("x.wav").c_str(), 0), 0);
    // A capture file that cannot be created fails the open.
    const int32_t c = initWaveOut();
    selectOutputWaveOut(c, TESSOR_OUTPUT_CAPTURE, "/nonexistent-dir/x.wav", 1);
    EXPECT_EQ(openWaveOut(c, -1, 44100, 2, &Source::pull, &s, 1, 16384, 4), 0);
    EXPECT_EQ(termWaveOut(c), 1);
}

// The device list holds what the sound system offers (often nothing on a build machine): every
// entry a distinct device with a terminated name, at most one the default; positions outside it
// and a null out are refused.
TEST(Tessor, DeviceListIsConsistent)
{
    const int32_t count = getDeviceCountWaveOut();
    ASSERT_GE(count, 0);
    std::set<int32_t> seen;
    int32_t defaults = 0;
    for (int32_t i = 0; i < count; ++i) {
        TessorDevice d{};
        std::memset(d.name, 'x', sizeof d.name);
        ASSERT_EQ(getDeviceInfoWaveOut(i, &d), 1);
        EXPECT_TRUE(seen.insert(d.device).second);
        EXPECT_LT(std::strlen(d.name), sizeof d.name);
        defaults += d.isDefault;
    }
    EXPECT_LE(defaults, 1);
    TessorDevice d{};
    EXPECT_EQ(getDeviceInfoWaveOut(count, &d), 0);
    EXPECT_EQ(getDeviceInfoWaveOut(-1, &d), 0);
    EXPECT_EQ(getDeviceInfoWaveOut(0, nullptr), 0);
}

}  // namespace
