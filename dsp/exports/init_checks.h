#pragma once

#include <cstdint>

#include "dsp/core/dsp_effect.h"

// Largest block, in frames, an init* export accepts: the six float buffers of an effect stay
// far below the 32-bit byte counts the allocator takes.
constexpr uint32_t kMaxEffectFrames = 1u << 22;

// The frame and channel counts every same-rate effect supports: 1..kMaxEffectFrames, mono or stereo.
inline bool effectFormatUsable(uint32_t frames, uint32_t channels, uint32_t sampleRate)
{
    return frames > 0 && frames <= kMaxEffectFrames && (channels == 1 || channels == 2) && sampleRate > 0;
}

// True once the base buffers of an effect exist (allocation can fail for large blocks).
inline bool baseBuffersAllocated(const DspEffect& e)
{
    return e.inL && e.inR && e.outL && e.outR && e.scratchA && e.scratchB;
}
