#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "orvane/mp3.h"
#include "platform/platform.h"
#include "support/signal.h"

namespace {

// Calls one control or read-out export chosen by r.
void randomCall(std::mt19937& rng, std::vector<float>& spectrum, std::vector<int16_t>& wave)
{
    std::uniform_int_distribution<int> pick(0, 25);
    switch (pick(rng)) {
    case 0: OrvaneStop(); break;
    case 1: OrvanePause(int8_t(rng() & 1)); break;
    case 2: OrvaneSeek(int32_t(rng() % 200) - 100); break;
    case 3: OrvaneAbsoluteSeek(float(rng() % 1200) / 1000.0f - 0.1f); break;
    case 4: OrvaneChangePitch(int32_t(rng() % 100)); break;
    case 5: OrvaneWhere(); break;
    case 6: OrvaneGetCurrentTime(); break;
    case 7: OrvaneGetBitrate(); break;
    case 8: OrvaneGetSpectrum(spectrum.data()); break;
    case 9: OrvaneGetWaveform(wave.data(), int32_t(rng() % 4096) + 1); break;
    case 10: OrvaneGetLevel(int32_t(rng() % 3)); break;
    case 11: OrvaneSetPitch(int32_t(rng() % 200) - 100); break;
    case 12: OrvaneSetSpeed(int32_t(rng() % 200) - 100); break;
    case 13: OrvaneSetVolume(int32_t(rng() % 32768)); break;
    case 14: OrvaneSetEQ(int32_t(rng() % 34) - 1, float(rng() % 100) / 50.0f); break;
    case 15: OrvaneEnableEQ(int8_t(rng() & 1)); break;
    case 16: OrvaneSetBufferSize(int32_t(rng() % 16) + 1); break;
    case 17: OrvaneSetSpectrumSize(1 << (rng() % 6 + 6)); break;
    case 18: OrvaneGetDestination(); break;
    case 19: DebugGetCurrentOutSize(); break;
    case 20: DebugGetEffectiveBufferSize(); break;
    case 21: OrvaneEnableSSE(int8_t(rng() & 1)); break;
    case 22: OrvaneEnable3dnow(int8_t(rng() & 1)); break;
    case 23: OrvaneSetHarmonics(float(rng() % 10) / 10.0f); break;
    case 24: OrvaneClean(); break;
    default: OrvaneEnable48k(int8_t(rng() & 1)); break;
    }
}

TEST(PlayerStress, ControlsAndReadOutsFromManyThreadsWhilePlaysComeAndGo)
{
    SKIP_WITHOUT_CONFORMANCE();
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
            std::vector<float> spectrum(65536);
            std::vector<int16_t> wave(2 * 4096);
            while (running.load()) {
                randomCall(rng, spectrum, wave);
                platform::sleepMs(rng() % 3);
            }
        });
    }
    platform::sleepMs(4000);
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
    OrvaneEnableSSE(0);
    OrvaneEnable3dnow(0);
    platform::setMessageQuiet(false);
}

}  // namespace
