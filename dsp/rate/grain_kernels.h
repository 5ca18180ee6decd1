#pragma once

#include <cstdint>

// Inner loops of the granular engines (pitch shifter, time stretcher) and of their grain alignment
// search, as small free functions with a plain reference and an SSE2 variant. Both variants do the
// same single-precision operations in the same order, so they give identical results.
//
// A grain reading at `ratio` samples per output sample reads output k at position
// x = offset + float(first + k) * ratio (offset >= 0, ratio > 0), split into i = trunc(x) and f = x - i.

namespace grain_plain {
// acc[k] += window[k] * cubic(src[i .. i + 3], f): the a = -1 cubic convolution between src[i + 1]
// and src[i + 2], evaluated in Horner form.
void addCubic(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
              float ratio, int32_t first, uint32_t count);
// acc[k] += window[k] * (src[i] + f * (src[i + 1] - src[i])).
void addLinear(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
               float ratio, int32_t first, uint32_t count);
// acc[k] += src[k] * window[k].
void addWindowed(float* __restrict acc, const float* __restrict src, const float* __restrict window, uint32_t count);
// out[k] *= gain * factor[k].
void scale(float* __restrict out, const float* __restrict factor, float gain, uint32_t count);
// sums[0] = sum of cand[k] * ref[k], sums[1] = sum of cand[k]^2, each summed in eight interleaved
// lanes (k mod 8) combined as ((l0 + l4) + (l2 + l6)) + ((l1 + l5) + (l3 + l7)). count is a multiple of 8.
void correlate(float* __restrict sums, const float* __restrict cand, const float* __restrict ref, uint32_t count);
}  // namespace grain_plain

namespace grain_sse {
void addCubic(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
              float ratio, int32_t first, uint32_t count);
void addLinear(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
               float ratio, int32_t first, uint32_t count);
void addWindowed(float* __restrict acc, const float* __restrict src, const float* __restrict window, uint32_t count);
void scale(float* __restrict out, const float* __restrict factor, float gain, uint32_t count);
void correlate(float* __restrict sums, const float* __restrict cand, const float* __restrict ref, uint32_t count);
}  // namespace grain_sse

namespace grain_avx2 {
void addCubic(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
              float ratio, int32_t first, uint32_t count);
void addLinear(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
               float ratio, int32_t first, uint32_t count);
void addWindowed(float* __restrict acc, const float* __restrict src, const float* __restrict window, uint32_t count);
void scale(float* __restrict out, const float* __restrict factor, float gain, uint32_t count);
void correlate(float* __restrict sums, const float* __restrict cand, const float* __restrict ref, uint32_t count);
}  // namespace grain_avx2

struct GrainKernels {
    void (*addCubic)(float*, const float*, const float*, float, float, int32_t, uint32_t);
    void (*addLinear)(float*, const float*, const float*, float, float, int32_t, uint32_t);
    void (*addWindowed)(float*, const float*, const float*, uint32_t);
    void (*scale)(float*, const float*, float, uint32_t);
    void (*correlate)(float*, const float*, const float*, uint32_t);
};

const GrainKernels& plainGrainKernels();
const GrainKernels& sseGrainKernels();
// Null when the CPU lacks AVX2 and FMA.
const GrainKernels* avx2GrainKernels();
// The set of the process's vector path now (the 3DNow! path runs the SSE2 set); an engine takes it
// when it is set up. Every set gives the plain results bit for bit.
const GrainKernels& grainKernels();
