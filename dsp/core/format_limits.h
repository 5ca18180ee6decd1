#pragma once

#include <cstdint>

// The formats every effect, chain and analyser accepts, so that no argument can ask for
// unbounded work or memory in one call.
constexpr uint32_t kMaxRate = 768000;            // Hz; the lowest is 1 Hz
constexpr uint32_t kMaxEffectFrames = 1u << 22;  // one block of any effect, in or out

inline bool rateUsable(uint32_t rate)
{
    return rate >= 1 && rate <= kMaxRate;
}
