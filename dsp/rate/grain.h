#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// One grain of the granular engines: where its reading is anchored (relative to the current
// chunk) and how many output samples it has made. A grain reading at a rate (the pitch shifter's)
// reads output `index` at readOffset + (index - readIndex) * rate past its anchor.
struct Grain {
    bool active = false;
    int32_t start = 0;
    int32_t index = 0;
    uint32_t length = 0;
    float readOffset = 0.0f;
    int32_t readIndex = 0;
};

// The grain window: a Gaussian exp(-x^2 / 4) sampled over x = -6.5 .. 6.5.
inline void fillGrainWindow(float* window, uint32_t grainLen)
{
    const float step = 13.0f / static_cast<float>(grainLen);
    for (uint32_t i = 0; i < grainLen; ++i) {
        const float x = static_cast<float>(i) * step - 6.5f;
        window[i] = std::exp(-0.25f * x * x);
    }
}

// The reciprocal of the sum of the windows sounding at each phase of the grain schedule (0 where
// none sounds). Grains start every hop samples and all run grainLen samples, so the sum repeats
// with the hop: at phase p the grains are at indices p, p + hop, p + 2 hop, ...
inline void fillInverseWindowSum(float* inverse, const float* window, uint32_t grainLen, uint32_t hop)
{
    for (uint32_t p = 0; p < hop; ++p) {
        float sum = 0.0f;
        for (uint32_t i = p; i < grainLen; i += hop)
            sum += window[i];
        inverse[p] = sum > 0.0f ? 1.0f / sum : 0.0f;
    }
}

// Scales out[0 .. length) by gain over the window sum, starting at schedule phase `phase`.
template<class Scale>
void normaliseGrains(float* out, const float* inverse, uint32_t phase, uint32_t hop, uint32_t length, float gain,
                     Scale scale)
{
    uint32_t t = 0;
    while (t < length) {
        const uint32_t run = std::min(length - t, hop - phase);
        scale(out + t, inverse + phase, gain, run);
        t += run;
        phase = 0;
    }
}

// Grain length in samples for a grain time in seconds (single precision, as the window assumes).
inline float grainSamples(float grainTime, float rate)
{
    return grainTime * rate * 1.5330188679245282f;
}

// Advances the grains over `length` output samples. A grain starts (through `start(t)`) wherever the
// phase wraps at `hop`, so the span splits into segments between starts and each active grain runs
// over a segment in one tight loop (through `accumulate(grain, t, count)`, skipped when bypassed).
template<class Start, class Accumulate>
void advanceGrains(Grain* grains, uint32_t grainCount, uint32_t& phase, uint32_t hop, uint32_t length, bool bypassed,
                   Start start, Accumulate accumulate)
{
    uint32_t t = 0;
    while (t < length) {
        if (phase == 0)
            start(t);
        const uint32_t seg = std::min(length - t, hop - phase);
        for (uint32_t k = 0; k < grainCount; ++k) {
            Grain& g = grains[k];
            if (!g.active)
                continue;
            const uint32_t count = std::min(seg, g.length - static_cast<uint32_t>(g.index));
            if (!bypassed)
                accumulate(g, t, count);
            g.index += static_cast<int32_t>(count);
            if (static_cast<uint32_t>(g.index) >= g.length)
                g.active = false;
        }
        phase += seg;
        if (phase >= hop)
            phase = 0;
        t += seg;
    }
}
