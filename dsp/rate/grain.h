#pragma once

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
