#pragma once

#include <cstdint>

// The windowing step of the subband synthesis over a slot-major V ring: v holds 16 slots of 32
// rows, slot s at v + 32 s, and the newest values sit in slot p. Output i is
//   out[i] = sum_n W[n][i] * v[(p - n) mod 16][i],   n = 0..15,
// with W the window in its natural order (W[n][i] = volume * D[32 n + i]), so every tap is a
// multiply-add of two contiguous 32-float rows. v, the window and out are 16-byte aligned for
// the vector variants (32-byte for AVX2).
namespace decoder {

constexpr int kVolumeWindowSize = 512;

// The synthesis window with the output volume folded in.
struct VolumeWindow {
    alignas(32) float taps[kVolumeWindowSize];
};

void buildVolumeWindow(float volume, VolumeWindow& w);

// Reference: taps in order n = 0..15 for every output.
void synthesisWindowPlain(float* out, const float* window, const float* v, int p);
// The same sums in the same order, four outputs at a time: equal to the reference bit for bit.
void synthesisWindowSse(float* out, const float* window, const float* v, int p);
// The sums as 3DNow! forms them: even and odd ring slots summed apart, then added.
void synthesisWindow3dnow(float* out, const float* window, const float* v, int p);
// Eight outputs at a time with fused multiply-adds (one rounding per tap instead of two), over a
// ring that also holds every slot s at s + 16 (1024 floats).
void synthesisWindowAvx2(float* out, const float* window, const float* v, int p);
// The same for two consecutive rows at once (out and out + 32, ring v at p, then ring v2 at p2),
// each tap loaded once for both; each output is the bits synthesisWindowAvx2 gives.
void synthesisWindowPairAvx2(float* out, const float* window, const float* v, int p, const float* v2, int p2);

}  // namespace decoder
