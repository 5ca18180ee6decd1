#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

// Odd rates, sizes and settings, then blocks of every size up to one past the capacity: nothing
// may crash or write past what the size functions promise (the sanitizer build checks the memory).
TEST(RateExports, SurviveHostileArguments)
{
    std::mt19937 rng(1234);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const uint32_t rates[] = {1, 7, 8000, 11025, 44100, 48000, 96000, 192000};
    const float odd[] = {-1e30f, -5000.0f, -1.0f, 0.0f, 1e-9f, 0.3f, 700.0f, 1e30f, nan};
    const std::vector<int16_t> src = testsig::noisePcm16(2 * 600, 7);
    for (int round = 0; round < 60; ++round) {
        const uint32_t frames = rng() % 64;
        const uint32_t channels = 1 + rng() % 2;
        const uint32_t rateA = rates[rng() % 8];
        const uint32_t rateB = rates[rng() % 8];
        const float a = odd[rng() % 9];
        const float b = odd[rng() % 9];
        void* handles[4] = {
            initResampler(frames, channels, 1 + rng() % 2, rateA, rateB, rng() % 2, std::fabs(a), std::fabs(b), 1),
            initPitchShift(frames, channels, rateA, a, b, 0.05f, 0.01f, rng() % 2, 1),
            initStretch(frames, channels, rateA, a, 0, 0.002f, 0.0005f),
            initHqups(frames, channels, 1 + rng() % 2, rateA, a, b, rateB, rng() % 2, 60, 60, 1, 1),
        };
        for (uint32_t n = 0; n <= frames + 1; n += 1 + frames / 7) {
            const uint32_t bytes = n * channels * 2;
            std::vector<int16_t> dst(size_t(getResamplerDstSize(handles[0], n) + 8) * 2 + 4 * n * 2 + 64);
            doResampler(handles[0], src.data(), dst.data(), bytes);
            setPitchShiftPitch(handles[1], b);
            doPitchShift(handles[1], src.data(), dst.data(), bytes);
            setStretchScale(handles[2], b);
            doStretch(handles[2], src.data(), dst.data(), bytes);
            setHqupsHarmonics(handles[3], b);
            std::vector<int16_t> wide(size_t(getHqupsDstSize(handles[3], n) + 8) * 2 + 64);
            doHqups(handles[3], src.data(), wide.data(), bytes);
        }
        termResampler(handles[0]);
        termPitchShift(handles[1]);
        termStretch(handles[2]);
        termHqups(handles[3]);
    }
}

}  // namespace
