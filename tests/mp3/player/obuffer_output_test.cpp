#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "mp3/player/obuffer.h"
#include "obuffer_source.h"
#include "orvane/dsp.h"
#include "orvane/norv.h"
#include "orvane/tessor.h"
#include "platform/platform.h"
#include "support/signal.h"
#include "support/wait_until.h"

namespace {

using obuffer_test::value;
using obuffer_test::writeFrame;

// Routes tessor's output to a capture file for the Obuffers created in its scope.
class CaptureTo {
public:
    CaptureTo(const std::string& path, bool fast)
    {
        setenv("ORVANE_OUTPUT", ("capture:" + path + (fast ? ",fast" : "")).c_str(), 1);
    }
    ~CaptureTo() { unsetenv("ORVANE_OUTPUT"); }
};

// Collects the message boxes shown while it lives.
class Messages {
public:
    Messages()
    {
        platform::setMessageQuiet(true);
        previous_ = platform::setMessageHandler(&Messages::record, this);
    }
    ~Messages()
    {
        platform::setMessageHandler(previous_, nullptr);
        platform::setMessageQuiet(false);
    }
    std::vector<std::string> texts;

private:
    static void record(const char* caption, const char* text, void* self)
    {
        EXPECT_STREQ(caption, "mp3.dll");
        static_cast<Messages*>(self)->texts.push_back(text);
    }
    platform::MessageHandler previous_;
};

ObufferConfig config(ObufferTarget target, int32_t layer, bool lsf, int32_t bufferSize, int32_t rate = 44100)
{
    ObufferConfig c;
    c.target = target;
    c.layer = layer;
    c.lowSampling = lsf;
    c.bufferSize = bufferSize;
    c.sampleRate = rate;
    return c;
}

std::vector<int16_t> readWav(const std::string& path, uint16_t& channels)
{
    void* in = initWavefileIn(path.c_str(), 16);
    if (in == nullptr)
        return {};
    channels = getFormatWavefileIn(in)->nChannels;
    std::vector<int16_t> data(getHeaderWavefileIn(in)->dataBytes / 2);
    readWavefileIn(in, data.data(), static_cast<uint32_t>(data.size() / channels));
    termWavefileIn(in);
    return data;
}

void expectStream(const std::vector<int16_t>& got, size_t samples)
{
    ASSERT_EQ(got.size(), samples);
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], value(i)) << "at " << i;
}

TEST(ObufferOutput, PlaybackDeliversEverySampleInOrderIncludingTheLastPartialBlock)
{
    const std::string path = testsig::tempPath("obuffer_play.wav");
    {
        CaptureTo capture(path, true);
        Obuffer out(2, config(ObufferTarget::WaveOut, 3, false, 4));
        ASSERT_FALSE(out.failed());
        EXPECT_NE(out.waveOutHandle(), 0);
        out.setState(OutputState::Playing);
        uint64_t next = 0;
        for (int f = 0; f < 10; ++f)
            writeFrame(out, 1152, next);
        out.close();
        EXPECT_EQ(out.waveOutHandle(), 0);
    }
    uint16_t channels = 0;
    expectStream(readWav(path, channels), 10u * 1152 * 2);
    EXPECT_EQ(channels, 2);
}

// A play shorter than the three blocks that start the output drains instead of waiting forever.
TEST(ObufferOutput, AShortPlayDrainsWithoutWaitingForThreeBlocks)
{
    const std::string path = testsig::tempPath("obuffer_short.wav");
    {
        CaptureTo capture(path, true);
        Obuffer out(1, config(ObufferTarget::WaveOut, 1, false, 12));
        out.setState(OutputState::Playing);
        uint64_t next = 0;
        writeFrame(out, 384, next);
        out.close();  // would wait for ever for the rest of the three blocks
    }
    uint16_t channels = 0;
    expectStream(readWav(path, channels), 384);
}

TEST(ObufferOutput, ConvertModeSendsEveryBlockToNorv)
{
    const std::string path = testsig::tempPath("obuffer_convert.wav");
    ASSERT_EQ(NORVSetOutputFile(path.c_str()), 1);
    {
        // MPEG-2 Layer II: full 1152-sample frames.
        Obuffer out(1, config(ObufferTarget::Convert, 2, true, 3, 24000));
        ASSERT_FALSE(out.failed());
        EXPECT_EQ(out.blockSizeBytes(), 3u * 1152 * 2);
        uint64_t next = 0;
        for (int f = 0; f < 7; ++f)
            writeFrame(out, 1152, next);
        out.close();
    }
    EXPECT_EQ(NORVClose(), 7u * 1152 * 2);
    uint16_t channels = 0;
    expectStream(readWav(path, channels), 7u * 1152);
    EXPECT_EQ(channels, 1);
}

TEST(ObufferOutput, StopAtOnceDiscardsQueuedBlocksAndTheDecoderStaysFourAhead)
{
    const std::string path = testsig::tempPath("obuffer_stop.wav");
    CaptureTo capture(path, false);  // paced: each block of 4 x 1152 frames takes about 104 ms
    Obuffer out(2, config(ObufferTarget::WaveOut, 3, false, 4));
    out.setState(OutputState::Playing);
    uint64_t next = 0;
    const uint32_t start = platform::tickCount();
    for (int f = 0; f < 40; ++f)
        writeFrame(out, 1152, next);
    // Ten blocks with at most four queued: the writer waited for several of them to play (a bound
    // from below, which a busy machine cannot break).
    EXPECT_GT(platform::tickCount() - start, 300u);
    out.markStopAtOnce();
    out.close();
    uint16_t channels = 0;
    const std::vector<int16_t> got = readWav(path, channels);
    EXPECT_LT(got.size(), 9u * 4608 * 2);  // at least one queued block never played
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], value(i));
}

// OrvaneStop sets the state to idle while the output is paused: the writer must not wait on.
TEST(ObufferOutput, AStopWhilePausedReleasesTheWriter)
{
    CaptureTo capture(testsig::tempPath("obuffer_paused.wav"), false);
    Obuffer out(2, config(ObufferTarget::WaveOut, 3, false, 1));
    out.setState(OutputState::Playing);
    out.pause(true);
    EXPECT_EQ(out.state(), OutputState::Paused);
    std::atomic<int> written{0};
    std::thread writer([&] {
        uint64_t next = 0;
        for (int f = 0; f < 8; ++f, ++written)
            writeFrame(out, 1152, next);
    });
    // Nothing plays, so the writer stops at four queued blocks until the stop.
    ASSERT_TRUE(testsig::waitUntil([&] { return written >= 3; }));
    platform::sleepMs(50);
    EXPECT_LT(written.load(), 8);
    out.setState(OutputState::Idle);
    EXPECT_TRUE(testsig::waitUntil([&] { return written == 8; }));
    writer.join();
    out.markStopAtOnce();
    out.close();
}

// With blocks of ten seconds the writer's wait for queue room is long: a stop request must
// release it at once rather than when the wait times out.
TEST(ObufferOutput, AStopRequestWakesAWriterWaitingForRoom)
{
    CaptureTo capture(testsig::tempPath("obuffer_stop_wake.wav"), false);
    Obuffer out(2, config(ObufferTarget::WaveOut, 3, false, 400));  // 400 x 1152 frames: 10.4 s
    out.setState(OutputState::Playing);
    out.pause(true);  // nothing is taken, so the fifo fills and the writer waits
    std::atomic<int> written{0};
    std::thread writer([&] {
        uint64_t next = 0;
        for (int f = 0; f < 6 * 400; ++f, ++written)
            writeFrame(out, 1152, next);
    });
    ASSERT_TRUE(testsig::waitUntil([&] { return written >= 3 * 400; }));
    out.requestStop();
    // Released well inside the ten seconds of the timed wait.
    EXPECT_TRUE(testsig::waitUntil([&] { return written == 6 * 400; }, 5000));
    writer.join();
    EXPECT_EQ(out.state(), OutputState::Idle);
    out.markStopAtOnce();
    out.close();
}

TEST(ObufferOutput, FlushDiscardsQueuedBlocks)
{
    const std::string path = testsig::tempPath("obuffer_flush.wav");
    {
        CaptureTo capture(path, true);
        Obuffer out(2, config(ObufferTarget::WaveOut, 3, false, 1));
        out.setState(OutputState::Playing);
        out.pause(true);
        uint64_t next = 0;
        for (int f = 0; f < 3; ++f)
            writeFrame(out, 1152, next);
        out.flush();
        next = 0;
        for (int f = 0; f < 2; ++f)
            writeFrame(out, 1152, next);
        out.pause(false);
        out.close();
    }
    uint16_t channels = 0;
    const std::vector<int16_t> got = readWav(path, channels);
    // What played before the pause took hold may precede the restart; the tail is the new stream.
    ASSERT_GE(got.size(), 2u * 1152 * 2);
    const size_t offset = got.size() - 2u * 1152 * 2;
    for (size_t i = 0; i < 2u * 1152 * 2; ++i)
        ASSERT_EQ(got[offset + i], value(i));
}

TEST(ObufferOutput, ReadOutsFollowThePlayAndLiveSettingsReachTheOutput)
{
    CaptureTo capture(testsig::tempPath("obuffer_readouts.wav"), false);
    ObufferConfig c = config(ObufferTarget::WaveOut, 3, false, 1);
    c.wave.pitch = 100;
    Obuffer out(1, c);
    out.setState(OutputState::Playing);
    // A steady tone at 1/8 of the rate: bin 32 of a 256-point spectrum.
    const std::vector<float> tone = testsig::sine(44100.0 / 8, 44100.0, 1152 * 12, 8000.0);
    for (int f = 0; f < 12; ++f) {
        for (int run = 0; run < 36; ++run)
            out.put32(0, tone.data() + f * 1152 + run * 32);
        out.frameDone();
    }
    platform::sleepMs(150);
    EXPECT_NEAR(out.level(0), 8000, 100);
    EXPECT_EQ(out.level(1), out.level(0));  // mono answers channel 1 with its only level
    EXPECT_EQ(out.level(2), 0);
    std::vector<int16_t> wave(64);
    EXPECT_EQ(out.waveform(wave.data(), 64), 64);
    std::vector<float> spectrum(128);
    ASSERT_EQ(out.spectrum(spectrum.data()), 128);
    // The output plays the tone 100 cents up: 5512.5 Hz becomes 5840 Hz, bin 33.9.
    EXPECT_EQ(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin(), 34);

    TessorSettings s{};
    getSettingsWaveOut(out.waveOutHandle(), &s);
    EXPECT_EQ(s.pitch, 100.0f);
    out.setPitch(-300);
    out.setSpeed(12);
    getSettingsWaveOut(out.waveOutHandle(), &s);
    EXPECT_EQ(s.pitch, -300.0f);
    EXPECT_EQ(s.speed, 12.0f);
    out.markStopAtOnce();
    out.close();
    EXPECT_EQ(out.level(0), 0);
    EXPECT_EQ(out.waveform(wave.data(), 64), 0);
    EXPECT_EQ(out.spectrum(spectrum.data()), 0);
    out.setPitch(5);  // no output any more: stored only
    EXPECT_EQ(out.pitch(), 5);
}

TEST(ObufferOutput, UnplayableSetUpsAreRefusedWithAMessage)
{
    Messages messages;
    for (int32_t spectrumSize : {0, -256, 100, 65536}) {
        ObufferConfig c = config(ObufferTarget::WaveOut, 3, false, 12);
        c.spectrumSize = spectrumSize;
        Obuffer out(2, c);
        EXPECT_TRUE(out.failed()) << spectrumSize;
        EXPECT_EQ(out.waveOutHandle(), 0);
        EXPECT_EQ(out.spectrum(nullptr), 0);
    }
    for (int32_t bufferSize : {0, -3}) {
        Obuffer out(2, config(ObufferTarget::Convert, 3, false, bufferSize));
        EXPECT_TRUE(out.failed());
        out.frameDone();
        out.close();
    }
    EXPECT_EQ(messages.texts.size(), 6u);
}

// Host threads poll the read-outs and change settings while the decoder plays and closes.
// Read-outs and live settings from a host thread while the play writes and closes: each answers
// within its bounds, and every written sample reaches the capture (unchanged at pitch 0).
TEST(ObufferOutput, ReadOutsNeverRaceWithClose)
{
    const std::string path = testsig::tempPath("obuffer_race.wav");
    for (int round = 0; round < 3; ++round) {
        CaptureTo capture(path, true);
        std::atomic<int> readOuts{0};
        std::atomic<int> outOfBounds{0};
        {
            Obuffer out(2, config(ObufferTarget::WaveOut, 3, false, 1));
            out.setState(OutputState::Playing);
            std::atomic<bool> done{false};
            std::thread host([&] {
                std::vector<int16_t> wave(512);
                std::vector<float> spectrum(256);
                while (!done) {
                    const int32_t level = out.level(0);
                    const int32_t frames = out.waveform(wave.data(), 256);
                    const int32_t bins = out.spectrum(spectrum.data());
                    outOfBounds
                        += level < 0 || level > 32768 || (frames != 0 && frames != 512) || (bins != 0 && bins != 128);
                    out.setPitch(round);
                    out.pause(false);
                    ++readOuts;
                }
            });
            testsig::waitUntil([&] { return readOuts > 0; });
            uint64_t next = 0;
            for (int f = 0; f < 12; ++f)
                writeFrame(out, 1152, next);
            out.close();
            done = true;
            host.join();
        }
        EXPECT_GT(readOuts.load(), 0);
        EXPECT_EQ(outOfBounds.load(), 0);
        uint16_t channels = 0;
        const std::vector<int16_t> got = readWav(path, channels);
        if (round == 0)
            expectStream(got, 12u * 1152 * 2);
        else
            EXPECT_EQ(got.size(), 12u * 1152 * 2);  // shifted in pitch, as long
    }
}

}  // namespace
