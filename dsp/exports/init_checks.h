#pragma once

#include <cstdint>

#include "dsp/core/dsp_effect.h"
#include "dsp/core/format_limits.h"

// The format every init* export checks first: 1..kMaxEffectFrames frames (the six float buffers
// stay far below the 32-bit byte counts the allocator takes), mono or stereo, 1 Hz..kMaxRate.
inline bool effectFormatUsable(uint32_t frames, uint32_t channels, uint32_t sampleRate)
{
    return frames > 0 && frames <= kMaxEffectFrames && (channels == 1 || channels == 2) && rateUsable(sampleRate);
}

// True once the base buffers of an effect exist (allocation can fail for large blocks).
inline bool baseBuffersAllocated(const DspEffect& e)
{
    return e.inL && e.inR && e.outL && e.outR && e.scratchA && e.scratchB;
}
