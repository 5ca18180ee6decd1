#pragma once

#include <cstdint>

// The windowing step of the subband synthesis: out[i] = sum_n W[i*16 + n] * v[i*16 + (p - n) mod 16]
// for the 32 rows i, with v the active V buffer and p its ring position. out[i] is written to
// out[i * stride]. All variants give the same sums up to single-precision rounding.
namespace decoder {

// Reference loop over the natural window layout.
void synthesisWindowPlain(float* out, uint32_t stride, const float* naturalWindow, const float* v, int p);
// Four-wide products over the rotating window layout; v and the window 16-byte aligned.
void synthesisWindowSse(float* out, uint32_t stride, const float* rotatingWindow, const float* v, int p);
// Pairwise products and a final pair add, as 3DNow! forms them, over the rotating layout.
void synthesisWindow3dnow(float* out, uint32_t stride, const float* rotatingWindow, const float* v, int p);

}  // namespace decoder
