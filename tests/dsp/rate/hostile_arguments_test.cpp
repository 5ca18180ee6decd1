#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr int16_t kCanary = 0x5A5A;

// Calls convert into a buffer of promisedSamples plus a guard band: it may write only within the
// promise, and its byte count must lie within it too.
template<class Convert> int32_t expectWithinPromise(const char* what, uint32_t promisedSamples, Convert convert)
{
    SCOPED_TRACE(what);
    std::vector<int16_t> dst(promisedSamples + 64, kCanary);
    const int32_t bytes = convert(dst.data());
    EXPECT_GE(bytes, 0);
    EXPECT_LE(uint32_t(bytes), promisedSamples * 2);
    for (size_t i = promisedSamples; i < dst.size(); ++i)
        if (dst[i] != kCanary) {
            ADD_FAILURE() << "written past the promise of " << promisedSamples << " at " << i - promisedSamples;
            break;
        }
    return bytes;
}

// Odd rates, sizes and settings, then blocks of every size up to one past the capacity: nothing
// may crash or write past what the size functions promise (the sanitizer build checks the rest
// of the memory).
TEST(RateExports, SurviveHostileArguments)
{
    std::mt19937 rng(1234);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const uint32_t rates[] = {1, 7, 8000, 11025, 44100, 48000, 96000, 192000};
    const float odd[] = {-1e30f, -5000.0f, -1.0f, 0.0f, 1e-9f, 0.3f, 700.0f, 1e30f, nan};
    const std::vector<int16_t> src = testsig::noisePcm16(2 * 600, 7);
    int converted = 0;  // calls that wrote something: the rounds must not all be refused
    for (int round = 0; round < 60; ++round) {
        const uint32_t frames = rng() % 64;
        const uint32_t channels = 1 + rng() % 2;
        const uint32_t rateA = rates[rng() % 8];
        const uint32_t rateB = rates[rng() % 8];
        const float a = odd[rng() % 9];
        const float b = odd[rng() % 9];
        const uint32_t resampledChannels = 1 + rng() % 2;
        const uint32_t upsampledChannels = 1 + rng() % 2;
        void* resampler = initResampler(frames, channels, resampledChannels, rateA, rateB, rng() % 2, std::fabs(a),
                                        std::fabs(b), 1);
        void* pitch = initPitchShift(frames, channels, rateA, a, b, 0.05f, 0.01f, rng() % 2, 1);
        void* stretch = initStretch(frames, channels, rateA, a, 0, 0.002f, 0.0005f);
        void* hqups = initHqups(frames, channels, upsampledChannels, rateA, a, b, rateB, rng() % 2, 60, 60, 1, 1);
        for (uint32_t n = 0; n <= frames + 1; n += 1 + frames / 7) {
            const uint32_t bytes = n * channels * 2;
            // A block over the size given at set-up is refused, so it may write nothing.
            const uint32_t accepted = n <= frames ? 1 : 0;
            converted += 0
                < expectWithinPromise("resampler", accepted * getResamplerDstSize(resampler, n) * resampledChannels,
                                      [&](int16_t* dst) { return doResampler(resampler, src.data(), dst, bytes); });
            setPitchShiftPitch(pitch, b);
            converted += 0 < expectWithinPromise("pitch shift", accepted * n * channels, [&](int16_t* dst) {
                             return doPitchShift(pitch, src.data(), dst, bytes) == 0 ? 0 : int32_t(bytes);
                         });
            setStretchScale(stretch, b);
            converted
                += 0 < expectWithinPromise("stretch", accepted * getStretchDstSize(stretch, n) * channels,
                                           [&](int16_t* dst) { return doStretch(stretch, src.data(), dst, bytes); });
            setHqupsHarmonics(hqups, b);
            // The upsampler is sized by its output block.
            const uint32_t upsampled = n <= getHqupsSrcSize(hqups, frames) ? getHqupsDstSize(hqups, n) : 0;
            converted += 0 < expectWithinPromise("hqups", upsampled * upsampledChannels,
                                                 [&](int16_t* dst) { return doHqups(hqups, src.data(), dst, bytes); });
        }
        termResampler(resampler);
        termPitchShift(pitch);
        termStretch(stretch);
        termHqups(hqups);
    }
    EXPECT_GT(converted, 100);
}

}  // namespace
