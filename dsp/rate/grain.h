#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// One grain of the granular engines: where its reading is anchored (relative to the current
// chunk), how many output samples it has made, and how far its reading has advanced.
struct Grain {
    bool active = false;
    int32_t start = 0;
    int32_t index = 0;
    uint32_t length = 0;
    float readOffset = 0.0f;
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

// Grain length in samples for a grain time in seconds (single precision, as the window assumes).
inline float grainSamples(float grainTime, float rate)
{
    return grainTime * rate * 1.5330188679245282f;
}

// Advances the grains over `length` output samples. A grain starts (through `start(t)`) wherever the
// phase wraps at `hop`, so the span splits into segments between starts and each active grain runs
// over a segment in one tight loop (through `accumulate(grain, t, count)`, skipped when bypassed).
template <class Start, class Accumulate>
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
