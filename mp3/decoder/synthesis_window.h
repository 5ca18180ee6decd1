#pragma once

#include <cstdint>

// The windowing step of the subband synthesis: out[i] = sum_n W[i*16 + n] * v[i*16 + (p - n) mod 16]
// for the 32 rows i, with v the active V buffer and p its ring position. All variants give the
// same sums up to single-precision rounding.
namespace decoder {

constexpr int kVolumeWindowSize = 512;

// The synthesis window with the output volume folded in, in two layouts.
struct VolumeWindow {
    // W[i*16 + n] = volume * D[n*32 + i], i = subband row 0..31, n = tap 0..15.
    alignas(16) float natural[kVolumeWindowSize];
    // Row i holds W[i*16 + 15 - (t mod 16)] for t = 0..31: the row reversed and written twice,
    // so the taps for any ring position are 16 consecutive floats starting at t = (15 - p) mod 16.
    alignas(16) float rotating[2 * kVolumeWindowSize];
};

void buildVolumeWindow(float volume, VolumeWindow& w);

// Reference loop over the natural window layout.
void synthesisWindowPlain(float* out, const float* naturalWindow, const float* v, int p);
// Four-wide products over the rotating window layout; v and the window 16-byte aligned.
void synthesisWindowSse(float* out, const float* rotatingWindow, const float* v, int p);
// Pairwise products and a final pair add, as 3DNow! forms them, over the rotating layout.
void synthesisWindow3dnow(float* out, const float* rotatingWindow, const float* v, int p);

}  // namespace decoder
