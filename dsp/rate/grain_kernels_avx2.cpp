// AVX2 variants of the grain kernels: eight outputs per step, each neighbour of the interpolation
// gathered for all eight positions at once. Built with -mavx2 and without contraction into fused
// multiply-adds, so the results stay those of the plain code.
#include <immintrin.h>

#include "dsp/rate/grain_kernels.h"

namespace grain_avx2 {
namespace {

struct Positions {
    __m256 frac;
    __m256i index;
};

Positions positionsAt(__m256 offset, __m256 ratio, __m256i j)
{
    const __m256 x = _mm256_add_ps(offset, _mm256_mul_ps(_mm256_cvtepi32_ps(j), ratio));
    const __m256i i = _mm256_cvttps_epi32(x);
    return {_mm256_sub_ps(x, _mm256_cvtepi32_ps(i)), i};
}

__m256 gather(const float* src, __m256i index, int32_t shift)
{
    return _mm256_i32gather_ps(src, _mm256_add_epi32(index, _mm256_set1_epi32(shift)), 4);
}

void accumulate(float* acc, const float* window, __m256 v)
{
    _mm256_storeu_ps(acc, _mm256_add_ps(_mm256_loadu_ps(acc), _mm256_mul_ps(v, _mm256_loadu_ps(window))));
}

__m256i lanes(int32_t first) { return _mm256_add_epi32(_mm256_set1_epi32(first), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)); }

}  // namespace

void addCubic(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
              float ratio, int32_t first, uint32_t count)
{
    const __m256 vOffset = _mm256_set1_ps(offset);
    const __m256 vRatio = _mm256_set1_ps(ratio);
    __m256i j = lanes(first);
    const __m256i eight = _mm256_set1_epi32(8);
    const uint32_t whole = count & ~7u;
    for (uint32_t k = 0; k < whole; k += 8) {
        const Positions p = positionsAt(vOffset, vRatio, j);
        j = _mm256_add_epi32(j, eight);
        const __m256 s0 = gather(src, p.index, 0);
        const __m256 s1 = gather(src, p.index, 1);
        const __m256 s2 = gather(src, p.index, 2);
        const __m256 s3 = gather(src, p.index, 3);
        const __m256 d10 = _mm256_sub_ps(s1, s0);
        const __m256 d32 = _mm256_sub_ps(s3, s2);
        const __m256 c1 = _mm256_sub_ps(s2, s0);
        const __m256 c3 = _mm256_add_ps(d10, d32);
        const __m256 c2 = _mm256_add_ps(c3, d10);
        const __m256 f = p.frac;
        const __m256 inner = _mm256_sub_ps(_mm256_mul_ps(f, c3), c2);
        const __m256 v = _mm256_add_ps(s1, _mm256_mul_ps(f, _mm256_add_ps(c1, _mm256_mul_ps(f, inner))));
        accumulate(acc + k, window + k, v);
    }
    grain_sse::addCubic(acc + whole, src, window + whole, offset, ratio, first + static_cast<int32_t>(whole),
                        count - whole);
}

void addLinear(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
               float ratio, int32_t first, uint32_t count)
{
    const __m256 vOffset = _mm256_set1_ps(offset);
    const __m256 vRatio = _mm256_set1_ps(ratio);
    __m256i j = lanes(first);
    const __m256i eight = _mm256_set1_epi32(8);
    const uint32_t whole = count & ~7u;
    for (uint32_t k = 0; k < whole; k += 8) {
        const Positions p = positionsAt(vOffset, vRatio, j);
        j = _mm256_add_epi32(j, eight);
        const __m256 a = gather(src, p.index, 0);
        const __m256 b = gather(src, p.index, 1);
        accumulate(acc + k, window + k, _mm256_add_ps(a, _mm256_mul_ps(p.frac, _mm256_sub_ps(b, a))));
    }
    grain_sse::addLinear(acc + whole, src, window + whole, offset, ratio, first + static_cast<int32_t>(whole),
                         count - whole);
}

void addWindowed(float* __restrict acc, const float* __restrict src, const float* __restrict window, uint32_t count)
{
    const uint32_t whole = count & ~7u;
    for (uint32_t k = 0; k < whole; k += 8)
        accumulate(acc + k, window + k, _mm256_loadu_ps(src + k));
    grain_sse::addWindowed(acc + whole, src + whole, window + whole, count - whole);
}

void correlate(float* __restrict sums, const float* __restrict cand, const float* __restrict ref, uint32_t count)
{
    __m256 dot = _mm256_setzero_ps();
    __m256 energy = _mm256_setzero_ps();
    for (uint32_t k = 0; k < count; k += 8) {
        const __m256 c = _mm256_loadu_ps(cand + k);
        dot = _mm256_add_ps(dot, _mm256_mul_ps(c, _mm256_loadu_ps(ref + k)));
        energy = _mm256_add_ps(energy, _mm256_mul_ps(c, c));
    }
    // Lane l + lane l + 4 first, then as the four-lane kernels finish.
    const __m128 d = _mm_add_ps(_mm256_castps256_ps128(dot), _mm256_extractf128_ps(dot, 1));
    const __m128 e = _mm_add_ps(_mm256_castps256_ps128(energy), _mm256_extractf128_ps(energy, 1));
    const __m128 dh = _mm_add_ps(d, _mm_movehl_ps(d, d));
    const __m128 eh = _mm_add_ps(e, _mm_movehl_ps(e, e));
    sums[0] = _mm_cvtss_f32(_mm_add_ss(dh, _mm_shuffle_ps(dh, dh, 1)));
    sums[1] = _mm_cvtss_f32(_mm_add_ss(eh, _mm_shuffle_ps(eh, eh, 1)));
}

}  // namespace grain_avx2
