#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "orvane/mp3.h"
#include "platform/platform.h"
#include "support/signal.h"
#include "support/vector_path.h"
#include "support/wait_until.h"

namespace {

// Ordinary values mostly, and one time in four a value a careless or hostile host may pass.
int32_t anyInt(std::mt19937& rng, int32_t lo, int32_t hi)
{
    static const int32_t extremes[] = {INT32_MIN, INT32_MIN + 1, -65537, -1, 0, 65537, 1 << 30, INT32_MAX};
    if (rng() % 4 == 0)
        return extremes[rng() % (sizeof extremes / sizeof extremes[0])];
    return lo + int32_t(rng() % uint32_t(hi - lo + 1));
}

float anyFloat(std::mt19937& rng, float lo, float hi)
{
    static const float extremes[] = {std::numeric_limits<float>::quiet_NaN(),
                                     std::numeric_limits<float>::infinity(),
                                     -std::numeric_limits<float>::infinity(),
                                     -1e30f,
                                     1e30f,
                                     -0.0f,
                                     std::numeric_limits<float>::denorm_min()};
    if (rng() % 4 == 0)
        return extremes[rng() % (sizeof extremes / sizeof extremes[0])];
    return lo + (hi - lo) * float(rng() % 1001) / 1000.0f;
}

// Buffers for the read-outs: room for the largest valid request, then guard values no export may touch.
struct ReadOutBuffers {
    static constexpr size_t kGuard = 64;
    static constexpr int16_t kGuardValue = 0x5A5A;
    std::vector<float> spectrum = std::vector<float>(32768 + kGuard, -1234.0f);
    std::vector<int16_t> wave = std::vector<int16_t>(2 * 65536 + kGuard, kGuardValue);
    std::vector<char> text = std::vector<char>(64 + kGuard, 'G');

    bool guardsIntact() const
    {
        for (size_t i = 0; i < kGuard; ++i)
            if (spectrum[32768 + i] != -1234.0f || wave[2 * 65536 + i] != kGuardValue || text[64 + i] != 'G')
                return false;
        return true;
    }
};

// Calls one control, read-out or information export chosen by rng, with hostile arguments among
// the ordinary ones.
void randomCall(std::mt19937& rng, ReadOutBuffers& b, const std::string& file)
{
    std::uniform_int_distribution<int> pick(0, 33);
    switch (pick(rng)) {
    case 0:
        OrvaneStop();
        break;
    case 1:
        OrvanePause(int8_t(rng()));
        break;
    case 2:
        OrvaneSeek(anyInt(rng, -100, 100));
        break;
    case 3:
        OrvaneAbsoluteSeek(anyFloat(rng, -0.1f, 1.1f));
        break;
    case 4:
        OrvaneChangePitch(anyInt(rng, 0, 100));
        break;
    case 5:
        OrvaneWhere();
        break;
    case 6:
        OrvaneGetCurrentTime();
        break;
    case 7:
        OrvaneGetBitrate();
        break;
    case 8:
        OrvaneGetSpectrum(rng() % 8 == 0 ? nullptr : b.spectrum.data());
        break;
    case 9:
        OrvaneGetWaveform(b.wave.data(), anyInt(rng, 1, 65536));
        break;
    case 10:
        OrvaneGetLevel(anyInt(rng, 0, 2));
        break;
    case 11:
        OrvaneSetPitch(anyInt(rng, -100, 100));
        break;
    case 12:
        OrvaneSetSpeed(anyInt(rng, -100, 100));
        break;
    case 13:
        OrvaneSetVolume(anyInt(rng, 0, 32768));
        break;
    case 14:
        OrvaneSetEQ(anyInt(rng, -1, 32), anyFloat(rng, 0.0f, 2.0f));
        break;
    case 15:
        OrvaneEnableEQ(int8_t(rng()));
        break;
    case 16:
        OrvaneSetBufferSize(anyInt(rng, 1, 16));
        break;
    case 17:
        OrvaneSetSpectrumSize(rng() % 4 == 0 ? anyInt(rng, 3, 5) : 1 << (rng() % 6 + 6));
        break;
    case 18:
        OrvaneGetDestination();
        break;
    case 19:
        DebugGetCurrentOutSize();
        break;
    case 20:
        DebugGetEffectiveBufferSize();
        break;
    case 21:
        OrvaneEnableSSE(int8_t(rng()));
        break;
    case 22:
        OrvaneEnable3dnow(int8_t(rng()));
        break;
    case 23:
        OrvaneSetHarmonics(anyFloat(rng, 0.0f, 1.0f));
        break;
    case 24:
        OrvaneClean();
        break;
    case 25:
        OrvaneEnableAVX2(int8_t(rng()));
        break;
    case 26:
        OrvaneEnableGapless(int8_t(rng()));
        break;
    case 27:
        OrvaneSelectWaveOut(anyInt(rng, -1, 2));
        break;
    case 28:
        OrvaneGetTotalMs(file.c_str(), anyInt(rng, 0, 4096));
        break;
    case 29:
        EXPECT_LE(
            OrvaneGetTagText(file.c_str(), anyInt(rng, 0, 64), anyInt(rng, 0, 6), b.text.data(), anyInt(rng, 0, 64)),
            0);
        break;
    case 30:
        OrvaneQueueNext(rng() % 4 == 0 ? nullptr : file.c_str(), anyInt(rng, 0, 64));
        break;
    case 31:
        EXPECT_GE(OrvaneGetTrackIndex(), 0);
        break;
    case 32: {
        OrvaneStreamInfo info;
        OrvaneGetStreamInfo(file.c_str(), anyInt(rng, 0, 4096), &info);
        break;
    }
    default:
        OrvaneEnable48k(int8_t(rng()));
        break;
    }
}

// Three host threads call every control, read-out and information export at random, with hostile
// values among ordinary ones, while plays come and go: nothing crashes, writes past a buffer or
// hangs, and every play ends with a documented result.
TEST(PlayerStress, ControlsAndReadOutsFromManyThreadsWhilePlaysComeAndGo)
{
    SKIP_WITHOUT_CONFORMANCE();
    const testsig::VectorPathScope restorePath;
    setenv("ORVANE_OUTPUT", "null", 1);
    platform::setMessageQuiet(true);
    const std::string files[] = {testsig::conformanceDir() + "/l2-fl16.bit", testsig::conformanceDir() + "/l1-fl4.bit",
                                 testsig::conformanceDir() + "/l2-test32.bit"};
    std::atomic<bool> running{true};
    std::atomic<int> plays{0};
    std::atomic<bool> playerDone{false};
    std::thread player([&] {
        for (int i = 0; running.load(); ++i) {
            const int32_t r = OrvanePlay(files[i % 3].c_str(), nullptr, 0, 0);
            EXPECT_TRUE(r == 1 || r == 0) << r;
            plays.fetch_add(1);
        }
        playerDone.store(true);
    });
    std::vector<std::thread> hosts;
    for (int t = 0; t < 3; ++t) {
        hosts.emplace_back([&, t] {
            std::mt19937 rng(1234u + unsigned(t));
            ReadOutBuffers buffers;
            while (running.load()) {
                randomCall(rng, buffers, files[t]);
                platform::sleepMs(rng() % 3);
            }
            EXPECT_TRUE(buffers.guardsIntact());
        });
    }
    platform::sleepMs(4000);
    // A busy machine may have let only one play through in that time.
    EXPECT_TRUE(testsig::waitUntil([&] { return plays.load() > 1; }));
    running.store(false);
    for (auto& h : hosts)
        h.join();
    // The last play may be paused (a paused play waits to drain): resume and stop it.
    while (!playerDone.load()) {
        OrvanePause(0);
        OrvaneStop();
        platform::sleepMs(10);
    }
    player.join();
    EXPECT_GT(plays.load(), 1);
    OrvaneSetBufferSize(12);
    OrvaneSetSpectrumSize(256);
    OrvaneEnableGapless(0);
    OrvaneEnableEQ(0);
    OrvaneEnable48k(0);
    OrvaneSelectWaveOut(-1);
    OrvaneSetPitch(0);
    OrvaneSetSpeed(0);
    OrvaneSetHarmonics(0.3f);
    platform::setMessageQuiet(false);
}

}  // namespace
