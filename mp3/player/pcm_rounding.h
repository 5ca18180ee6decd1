#pragma once

#include <cstdint>

#include "mp3/player/player_settings.h"

// Float samples in 16-bit scale to int16, rounded to the nearest value and saturated at the
// int16 bounds (NaN lands on a bound), on the player's vector path. Rounding rather than
// truncating keeps the converted output within the decoder's own accuracy: truncation alone
// adds up to one LSB of error biased toward zero.
void roundToPcm16(player::SimdPath path, const float* src, int16_t* dst, uint32_t count);

// Vector kernels: each converts the leading run of whole blocks and returns how many values it
// did; roundToPcm16 finishes the rest with the plain code.
namespace pcm_rounding_sse {
uint32_t round(int16_t* dst, const float* src, uint32_t count);
}
namespace pcm_rounding_3dnow {
uint32_t round(int16_t* dst, const float* src, uint32_t count);
}
