#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "mp3/player/playback.h"
#include "mp3/player/player_settings.h"
#include "orvane/mp3.h"
#include "orvane/norv.h"
#include "platform/platform.h"
#include "support/signal.h"
#include "support/wait_until.h"
#include "tests/mp3/stream/frame_builder.h"

namespace {

// Interleaved samples of a 16-bit WAV file (the data chunk), empty when unreadable.
std::vector<int16_t> wavSamples(const std::string& path)
{
    const std::vector<uint8_t> f = testsig::readFile(path);
    size_t pos = 12;
    while (pos + 8 <= f.size()) {
        const uint32_t size = uint32_t(f[pos + 4]) | uint32_t(f[pos + 5]) << 8 | uint32_t(f[pos + 6]) << 16
            | uint32_t(f[pos + 7]) << 24;
        if (std::memcmp(&f[pos], "data", 4) == 0) {
            std::vector<int16_t> out(std::min<size_t>(size, f.size() - pos - 8) / 2);
            std::memcpy(out.data(), &f[pos + 8], out.size() * 2);
            return out;
        }
        pos += 8 + size + (size & 1);
    }
    return {};
}

std::vector<int16_t> convertToWav(const std::string& in, const std::string& out, int32_t offset = 0)
{
    NORVSetOutputFile(out.c_str());
    EXPECT_EQ(OrvanePlay(in.c_str(), nullptr, offset, 1), 1) << in;
    NORVClose();
    auto samples = wavSamples(out);
    std::remove(out.c_str());
    return samples;
}

TEST(Player, UnreadableFilesGiveMinusOneAndLeaveNoPlayBehind)
{
    const std::string path = testsig::tempPath("notmpeg.bin");
    framebuild::writeFile(path, std::vector<uint8_t>(3000, 0x42));
    EXPECT_EQ(OrvanePlay(path.c_str(), nullptr, 0, 1), -1);
    EXPECT_EQ(OrvanePlay("/nonexistent.mp3", nullptr, 0, 0), -1);
    EXPECT_EQ(OrvanePlay(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(OrvanePlay(path.c_str(), nullptr, -4, 0), -1);
    EXPECT_EQ(OrvanePlayCallbacks(nullptr, nullptr, nullptr, 1), -1);
    EXPECT_EQ(OrvaneLastErrorCode(), ORVANE_ERROR_BAD_ARGUMENT);
    const OrvaneReadCallback failing = [](void*, void*, int64_t) -> int64_t { return -1; };
    EXPECT_EQ(OrvanePlayCallbacks(failing, nullptr, nullptr, 1), -1);
    EXPECT_EQ(OrvaneLastErrorCode(), ORVANE_ERROR_NOT_MPEG);
    std::remove(path.c_str());
    EXPECT_FALSE(playState().playback());
    EXPECT_FALSE(playState().output());
    EXPECT_EQ(OrvaneGetCurrentTime(), 0);
    EXPECT_EQ(OrvaneGetLevel(0), 0);
    OrvaneStop();
    OrvanePause(1);
    OrvaneSeek(-10);
    OrvaneAbsoluteSeek(0.5f);
    OrvaneClean();
}

TEST(Player, ConvertWritesEveryDecodedSampleMatchingTheReference)
{
    SKIP_WITHOUT_CONFORMANCE();
    OrvaneSetVolume(32768);
    struct Case {
        const char* name;
        size_t samples;  // frames x samples per frame x channels
    } cases[] = {{"l1-fl3", 49u * 384 * 2}, {"l2-fl12", 49u * 1152 * 2}, {"l2-fl13", 49u * 1152}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = testsig::conformanceDir() + "/";
        const auto got = convertToWav(dir + c.name + ".bit", testsig::tempPath("convert.wav"));
        ASSERT_EQ(got.size(), c.samples);  // nothing lost at the end
        const auto ref = testsig::readFile(dir + c.name + ".pcm");
        ASSERT_GE(ref.size() / 2, got.size());
        double sum = 0;
        int worst = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            const int r = int16_t(uint16_t(ref[2 * i] | ref[2 * i + 1] << 8));
            const int d = std::abs(got[i] - r);
            worst = std::max(worst, d);
            sum += double(d) * d;
        }
        // Truncating conversion against a rounded reference: within 2 LSB, RMS about 1 LSB.
        EXPECT_LE(worst, 2);
        EXPECT_LT(std::sqrt(sum / double(got.size())), 1.0);
    }
}

TEST(Player, WithZeroVolumeEverySampleIsZero)
{
    SKIP_WITHOUT_CONFORMANCE();
    OrvaneSetVolume(0);
    const auto got = convertToWav(testsig::conformanceDir() + "/l2-fl12.bit", testsig::tempPath("silent.wav"));
    ASSERT_FALSE(got.empty());
    for (int16_t v : got)
        ASSERT_EQ(v, 0);
}

TEST(Player, UnusableBufferOrSpectrumSizesRefuseThePlay)
{
    SKIP_WITHOUT_CONFORMANCE();
    platform::setMessageQuiet(true);
    const std::string path = testsig::conformanceDir() + "/l2-fl15.bit";
    for (int32_t size : {0, -3, 100000}) {
        OrvaneSetBufferSize(size);
        EXPECT_EQ(OrvanePlay(path.c_str(), nullptr, 0, 1), 0) << size;
    }
    OrvaneSetBufferSize(12);
    for (int32_t size : {0, 3, 300, 1 << 20}) {
        OrvaneSetSpectrumSize(size);
        EXPECT_EQ(OrvanePlay(path.c_str(), nullptr, 0, 1), 0) << size;
    }
    OrvaneSetSpectrumSize(256);
    platform::setMessageQuiet(false);
    EXPECT_FALSE(playState().output());
}

TEST(Player, FramesOfAnotherLayerAreSkipped)
{
    // Layer II frames at 48 kHz with a Layer I frame between them: same sync, version and rate.
    framebuild::FrameSpec l2;
    l2.layer = 2;
    l2.bitrateIndex = 9;
    l2.rateIndex = 1;
    framebuild::FrameSpec l1 = l2;
    l1.layer = 1;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 6; ++i) {
        auto f = framebuild::frame(i == 3 ? l1 : l2, 0);
        std::fill(f.begin() + 4, f.end(), 0);  // all allocations 0: silent frames
        framebuild::append(bytes, f);
    }
    const std::string path = testsig::tempPath("mixed.mp2");
    framebuild::writeFile(path, bytes);
    OrvaneSetVolume(32768);
    const auto got = convertToWav(path, testsig::tempPath("mixed.wav"));
    std::remove(path.c_str());
    EXPECT_EQ(got.size(), 5u * 1152 * 2);
}

// Plays on the null output in a thread of its own.
struct BackgroundPlay {
    explicit BackgroundPlay(const std::string& path)
    {
        setenv("ORVANE_OUTPUT", "null", 1);
        thread = std::thread([this, path] { result = OrvanePlay(path.c_str(), started, 0, 0); });
        EXPECT_EQ(OrvaneEventWait(started, 5000), 1);
    }
    ~BackgroundPlay()
    {
        if (thread.joinable())
            thread.join();
        OrvaneEventDestroy(started);
    }
    int32_t join()
    {
        thread.join();
        return result;
    }
    OrvaneEvent* started = OrvaneEventCreate();
    std::thread thread;
    std::atomic<int32_t> result{-2};
};

TEST(Player, StartedEventStaysSetUntilResetAndRefusesNull)
{
    EXPECT_EQ(OrvaneEventWait(nullptr, 0), 0);
    EXPECT_EQ(OrvaneEventSet(nullptr), 0);
    EXPECT_EQ(OrvaneEventReset(nullptr), 0);
    OrvaneEventDestroy(nullptr);
    OrvaneEvent* e = OrvaneEventCreate();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(OrvaneEventWait(e, 10), 0);
    std::thread setter([e] { OrvaneEventSet(e); });
    EXPECT_EQ(OrvaneEventWait(e, 0xFFFFFFFFu), 1);
    setter.join();
    EXPECT_EQ(OrvaneEventWait(e, 0), 1);
    EXPECT_EQ(OrvaneEventReset(e), 1);
    EXPECT_EQ(OrvaneEventWait(e, 0), 0);
    OrvaneEventDestroy(e);
}

// Pacing is checked from below only: a busy machine can make a play slower, never faster.
TEST(Player, NullOutputPlaysInRealTimeAndTheClockFollowsPauseAndSeek)
{
    SKIP_WITHOUT_CONFORMANCE();
    OrvaneSetVolume(32768);
    OrvaneSetBufferSize(2);
    // 63 frames of 24 ms: about 1.5 s.
    const uint32_t t0 = platform::tickCount();
    BackgroundPlay play(testsig::conformanceDir() + "/l2-fl16.bit");
    ASSERT_TRUE(testsig::waitUntil([] { return OrvaneGetCurrentTime() > 150; }));
    EXPECT_NE(OrvaneGetDestination(), 0);
    EXPECT_EQ(DebugGetEffectiveBufferSize(), 2);
    EXPECT_EQ(DebugGetCurrentOutSize(), 2 * 2 * 1152 * 2);
    EXPECT_EQ(OrvaneGetBitrate(), 256);

    OrvanePause(1);
    const int32_t paused = OrvaneGetCurrentTime();
    platform::sleepMs(300);
    EXPECT_EQ(OrvaneGetCurrentTime(), paused);
    OrvanePause(0);
    EXPECT_TRUE(testsig::waitUntil([&] { return OrvaneGetCurrentTime() > paused; }));

    // A relative seek before the start goes to frame 0.
    OrvaneSeek(-1000);
    EXPECT_TRUE(testsig::waitUntil([] { return playState().baseMs.load() == 0; }));
    EXPECT_EQ(play.join(), 1);
    // 1.5 s of audio and 0.3 s paused, at the least.
    EXPECT_GT(platform::tickCount() - t0, 1800u);
    EXPECT_FLOAT_EQ(OrvaneWhere(), 48.0f / 63.0f);
    OrvaneSetBufferSize(12);
}

// Whether the current play ends within the deadline.
bool playEnds(BackgroundPlay& play, uint32_t deadlineMs = testsig::kGenerousMs)
{
    return testsig::waitUntil([&] { return play.result.load() != -2; }, deadlineMs);
}

TEST(Player, StopWhilePausedEndsThePlay)
{
    SKIP_WITHOUT_CONFORMANCE();
    OrvaneSetVolume(32768);
    BackgroundPlay play(testsig::conformanceDir() + "/l2-fl16.bit");
    ASSERT_TRUE(testsig::waitUntil([] { return OrvaneGetCurrentTime() > 0; }));
    OrvanePause(1);
    OrvaneStop();
    // Paused, the play would otherwise wait for ever.
    ASSERT_TRUE(playEnds(play));
    EXPECT_EQ(play.join(), 1);
    EXPECT_FALSE(playState().playback());
}

// The demo sample is 8 s long: a play that ends within 6 s of a stop or a seek past the end did
// not play on to its end.
constexpr uint32_t kBeforeTheDemoEnds = 6000;

TEST(Player, ASecondPlayIsRefusedAndTheFirstStaysUnderControl)
{
    const std::string path = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    BackgroundPlay first(path);
    const auto running = playState().playback();
    ASSERT_TRUE(running);
    EXPECT_EQ(OrvanePlay(path.c_str(), nullptr, 0, 0), -2);
    EXPECT_EQ(OrvanePlay(path.c_str(), nullptr, 0, 1), -2);
    EXPECT_EQ(playState().playback(), running);
    OrvaneStop();
    EXPECT_TRUE(playEnds(first, kBeforeTheDemoEnds));
    EXPECT_EQ(first.join(), 1);
    EXPECT_FALSE(playState().playback());
}

TEST(Player, AbsoluteSeekPastTheEndStopsThePlay)
{
    BackgroundPlay play(std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3");
    OrvaneAbsoluteSeek(2.0f);
    EXPECT_TRUE(playEnds(play, kBeforeTheDemoEnds));
    EXPECT_EQ(play.join(), 1);
}

// Whether a stop cuts the queued audio is checked on the output alone (ObufferOutput tests).
TEST(Player, AbsoluteSeekOnTaggedStreamUsesTheTagFrameCount)
{
    // The demo sample carries an Info tag of 308 frames (8.05 s at 44.1 kHz).
    const std::string path = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    OrvaneSetVolume(32768);
    BackgroundPlay play(path);
    EXPECT_EQ(playState().totalFrames.load(), 308);
    ASSERT_TRUE(testsig::waitUntil([] { return OrvaneGetCurrentTime() > 0; }));
    OrvaneAbsoluteSeek(0.5f);
    // The clock restarts at frame 154, 4.02 s.
    const int32_t frame154 = int32_t(154 * playState().msPerFrame.load());
    EXPECT_TRUE(testsig::waitUntil([&] { return playState().baseMs.load() == frame154; }));
    OrvaneStop();
    EXPECT_TRUE(playEnds(play));
    EXPECT_EQ(play.join(), 1);
}

// Amplitude at freqHz of channel 0 of interleaved 16-bit audio.
double amplitudeAt(const std::vector<int16_t>& pcm, size_t channels, double freqHz, double rate)
{
    std::vector<float> x(pcm.size() / channels);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = float(pcm[i * channels]);
    return testsig::toneAmplitude(x.data(), x.size(), freqHz, rate);
}

TEST(Player, EqualiserGainZeroInTheTopBandSilencesItsLines)
{
    SKIP_WITHOUT_CONFORMANCE();
    // Noise at 22.05 kHz: subband 31 (lines 558..575) spans 10.68..11.03 kHz.
    const std::string path = testsig::conformanceDir() + "/M2L3_noise.bit";
    OrvaneSetVolume(32768);
    for (int band = 0; band < 32; ++band)
        OrvaneSetEQ(band, 1.0f);
    OrvaneEnableEQ(1);
    const auto flat = convertToWav(path, testsig::tempPath("eqflat.wav"));
    OrvaneSetEQ(31, 0.0f);
    const auto cut = convertToWav(path, testsig::tempPath("eqcut.wav"));
    OrvaneSetEQ(31, 1.0f);
    OrvaneEnableEQ(0);
    ASSERT_EQ(flat.size(), cut.size());
    ASSERT_FALSE(flat.empty());
    double topFlat = 0, topCut = 0, midFlat = 0, midCut = 0;
    for (double f : {10850.0, 10900.0, 10950.0}) {
        topFlat += amplitudeAt(flat, 2, f, 22050);
        topCut += amplitudeAt(cut, 2, f, 22050);
    }
    for (double f : {3000.0, 5000.0, 7000.0}) {
        midFlat += amplitudeAt(flat, 2, f, 22050);
        midCut += amplitudeAt(cut, 2, f, 22050);
    }
    EXPECT_GT(topFlat, 0.0);
    EXPECT_LT(topCut, topFlat * 0.1);              // 20 dB down: what is left leaks from band 30
    EXPECT_NEAR(midCut, midFlat, midFlat * 0.01);  // other bands untouched
}

}  // namespace

// A queued file of the same format goes on through the same output: the conversion is the two
// single conversions end to end (gapless trims applied to each, nothing lost or added at the
// join) and the track index counts it. A file of another layer, or one that cannot be read,
// leaves the play to end as without it. A queue set before the play is taken by it; a play
// forgets what it did not take.
TEST(Player, AQueuedFileOfTheSameFormatJoinsThePlayWithoutAGap)
{
    SKIP_WITHOUT_CONFORMANCE();
    OrvaneSetVolume(32768);
    OrvaneEnableGapless(1);
    const std::string demo = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    const std::string dir = testsig::conformanceDir() + "/";
    struct JoinCase {
        std::string first, second;
        bool joins;
    };
    const JoinCase cases[] = {
        {demo, demo, true},
        {dir + "l3-compl.bit", dir + "l3-compl.bit", true},
        {dir + "l2-fl12.bit", dir + "l2-fl12.bit", true},
        {dir + "l1-fl1.bit", dir + "l3-compl.bit", false},
        {dir + "l3-compl.bit", testsig::tempPath("missing.mp3"), false},
    };
    const std::string wav = testsig::tempPath("join.wav");
    for (const JoinCase& c : cases) {
        SCOPED_TRACE(c.first + " then " + c.second);
        std::vector<int16_t> expected = convertToWav(c.first, wav);
        if (c.joins) {
            const std::vector<int16_t> second = convertToWav(c.second, wav);
            expected.insert(expected.end(), second.begin(), second.end());
        }
        ASSERT_EQ(OrvaneQueueNext(c.second.c_str(), 0), 1);
        EXPECT_EQ(convertToWav(c.first, wav), expected);
        EXPECT_EQ(OrvaneGetTrackIndex(), c.joins ? 1 : 0);
        // Forgotten by the play: the next conversion is the first file alone.
        EXPECT_EQ(convertToWav(c.first, wav).size(), c.joins ? expected.size() / 2 : expected.size());
    }
    // Appended files follow in order; a file of another format ends the play there, and the
    // queue behind it is forgotten with the play.
    const std::vector<int16_t> one = convertToWav(demo, wav);
    ASSERT_EQ(OrvaneQueueNext(demo.c_str(), 0), 1);
    ASSERT_EQ(OrvaneQueueAppend(demo.c_str(), 0), 1);
    ASSERT_EQ(OrvaneQueueAppend((dir + "l1-fl1.bit").c_str(), 0), 1);
    ASSERT_EQ(OrvaneQueueAppend(demo.c_str(), 0), 1);
    EXPECT_EQ(convertToWav(demo, wav).size(), 3 * one.size());
    EXPECT_EQ(OrvaneGetTrackIndex(), 2);
    EXPECT_EQ(convertToWav(demo, wav).size(), one.size());
    EXPECT_EQ(OrvaneQueueNext(demo.c_str(), -1), -1);
    EXPECT_EQ(OrvaneQueueAppend(demo.c_str(), -1), -1);
    EXPECT_EQ(OrvaneQueueAppend(nullptr, 0), -1);
    OrvaneEnableGapless(0);
}

namespace {

// A stream handed over chunk bytes a call that, half way through, asks the play to seek.
struct ChunkedStream {
    std::vector<uint8_t> bytes;
    size_t chunk = 1;
    size_t at = 0;
    bool sought = false;

    static int64_t read(void* context, void* buffer, int64_t size)
    {
        auto* s = static_cast<ChunkedStream*>(context);
        if (!s->sought && s->at >= s->bytes.size() / 2) {
            s->sought = true;
            OrvaneSeek(200);
            OrvaneAbsoluteSeek(0.5f);
        }
        const size_t n = std::min({s->chunk, size_t(size), s->bytes.size() - s->at});
        std::memcpy(buffer, s->bytes.data() + s->at, n);
        s->at += n;
        return int64_t(n);
    }
};

}  // namespace

// A stream read once through callbacks plays as its file, however few bytes each read brings:
// every sample in its place, the gapless trim of a tagged stream included. Seeks asked for
// during the play are ignored and a queued file is not joined (and is forgotten).
TEST(Player, AStreamReadThroughCallbacksPlaysAsItsFile)
{
    SKIP_WITHOUT_CONFORMANCE();
    OrvaneSetVolume(32768);
    OrvaneEnableGapless(1);
    const std::string demo = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    const std::string dir = testsig::conformanceDir() + "/";
    const std::string wav = testsig::tempPath("callbacks.wav");
    const size_t demoSamples = convertToWav(demo, wav).size();
    for (const std::string& file : {demo, dir + "l2-fl12.bit", dir + "l1-fl3.bit", dir + "M2L3_compl24.bit"}) {
        const std::vector<int16_t> expected = convertToWav(file, wav);
        ASSERT_FALSE(expected.empty()) << file;
        for (const size_t chunk : {size_t(1), size_t(7), size_t(4096)}) {
            SCOPED_TRACE(file + " in reads of " + std::to_string(chunk));
            ChunkedStream stream{testsig::readFile(file), chunk};
            ASSERT_EQ(OrvaneQueueNext(demo.c_str(), 0), 1);
            NORVSetOutputFile(wav.c_str());
            EXPECT_EQ(OrvanePlayCallbacks(&ChunkedStream::read, &stream, nullptr, 1), 1);
            NORVClose();
            EXPECT_TRUE(stream.sought);
            EXPECT_EQ(wavSamples(wav), expected);
            EXPECT_EQ(OrvaneGetTrackIndex(), 0);
        }
    }
    EXPECT_EQ(convertToWav(demo, wav).size(), demoSamples);
    OrvaneEnableGapless(0);
}
