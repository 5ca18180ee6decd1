// AVX2 variants of the grain kernels: eight outputs per step, each output's neighbours fetched by
// one short unaligned load and transposed into lanes (gather instructions are slower than that on
// several CPUs). Built with -mavx2 and without contraction into fused multiply-adds, so the results
// stay those of the plain code.
#include <immintrin.h>

#include "dsp/rate/grain_kernels.h"

namespace grain_avx2 {
namespace {

struct Positions {
    __m256 frac;
    int32_t index[8];
};

Positions positionsAt(__m256 offset, __m256 ratio, __m256i j)
{
    const __m256 x = _mm256_add_ps(offset, _mm256_mul_ps(_mm256_cvtepi32_ps(j), ratio));
    const __m256i i = _mm256_cvttps_epi32(x);
    Positions p;
    p.frac = _mm256_sub_ps(x, _mm256_cvtepi32_ps(i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p.index), i);
    return p;
}

// Four floats from a for the low half and from b for the high half.
__m256 pair4(const float* a, const float* b)
{
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(a)), _mm_loadu_ps(b), 1);
}

// Two floats from each of a, b (low half) and c, d (high half).
__m256 pair2(const float* a, const float* b, const float* c, const float* d)
{
    const __m128 lo = _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a))),
                                   reinterpret_cast<const __m64*>(b));
    const __m128 hi = _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(c))),
                                   reinterpret_cast<const __m64*>(d));
    return _mm256_insertf128_ps(_mm256_castps128_ps256(lo), hi, 1);
}

void accumulate(float* acc, const float* window, __m256 v)
{
    _mm256_storeu_ps(acc, _mm256_add_ps(_mm256_loadu_ps(acc), _mm256_mul_ps(v, _mm256_loadu_ps(window))));
}

__m256i lanes(int32_t first)
{
    return _mm256_add_epi32(_mm256_set1_epi32(first), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

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
        // Row r holds the four neighbours of outputs r (low half) and r + 4 (high half).
        const __m256 r0 = pair4(src + p.index[0], src + p.index[4]);
        const __m256 r1 = pair4(src + p.index[1], src + p.index[5]);
        const __m256 r2 = pair4(src + p.index[2], src + p.index[6]);
        const __m256 r3 = pair4(src + p.index[3], src + p.index[7]);
        const __m256 t0 = _mm256_unpacklo_ps(r0, r1);
        const __m256 t1 = _mm256_unpacklo_ps(r2, r3);
        const __m256 t2 = _mm256_unpackhi_ps(r0, r1);
        const __m256 t3 = _mm256_unpackhi_ps(r2, r3);
        const __m256 s0 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        const __m256 s1 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        const __m256 s2 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
        const __m256 s3 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2));
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
        // Lanes 0, 1, 4, 5 and 2, 3, 6, 7 of the pairs, then split into first and second neighbours.
        const __m256 lo = pair2(src + p.index[0], src + p.index[1], src + p.index[4], src + p.index[5]);
        const __m256 hi = pair2(src + p.index[2], src + p.index[3], src + p.index[6], src + p.index[7]);
        const __m256 a = _mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
        const __m256 b = _mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
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

void scale(float* __restrict out, const float* __restrict factor, float gain, uint32_t count)
{
    const __m256 g = _mm256_set1_ps(gain);
    const uint32_t whole = count & ~7u;
    for (uint32_t k = 0; k < whole; k += 8)
        _mm256_storeu_ps(out + k,
                         _mm256_mul_ps(_mm256_loadu_ps(out + k), _mm256_mul_ps(g, _mm256_loadu_ps(factor + k))));
    grain_sse::scale(out + whole, factor + whole, gain, count - whole);
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
