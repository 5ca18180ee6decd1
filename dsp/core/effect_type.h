#pragma once

#include <cstdint>

// Family tag carried by every effect; each export checks it before touching the object.
enum class EffectType : uint32_t {
    None = 0,
    Fft = 1,
    Fader = 2,
    IirFilter = 3,
    WaveSlice = 4,
    Resampler = 5,
    Hqups = 6,
    PitchShift = 7,
    Stretch = 8,
    Chorus = 9,
    GraphicEq = 11,
    ShelvingEq = 12,
};
