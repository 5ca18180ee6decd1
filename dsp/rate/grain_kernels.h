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
// sums[0] = sum of cand[k] * ref[k], sums[1] = sum of cand[k]^2, each summed in four interleaved
// lanes (k mod 4) combined as (lane 0 + lane 2) + (lane 1 + lane 3). count is a multiple of 4.
void correlate(float* __restrict sums, const float* __restrict cand, const float* __restrict ref, uint32_t count);
}  // namespace grain_plain

namespace grain_sse {
void addCubic(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
              float ratio, int32_t first, uint32_t count);
void addLinear(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
               float ratio, int32_t first, uint32_t count);
void addWindowed(float* __restrict acc, const float* __restrict src, const float* __restrict window, uint32_t count);
void correlate(float* __restrict sums, const float* __restrict cand, const float* __restrict ref, uint32_t count);
}  // namespace grain_sse

struct GrainKernels {
    void (*addCubic)(float*, const float*, const float*, float, float, int32_t, uint32_t);
    void (*addLinear)(float*, const float*, const float*, float, float, int32_t, uint32_t);
    void (*addWindowed)(float*, const float*, const float*, uint32_t);
    void (*correlate)(float*, const float*, const float*, uint32_t);
};

const GrainKernels& plainGrainKernels();
const GrainKernels& sseGrainKernels();
// The set the engines run. Every x86-64 CPU has SSE2 and the results equal the plain ones bit for
// bit, so the choice does not wait for the host's vector-path switches.
inline const GrainKernels& grainKernels() { return sseGrainKernels(); }
