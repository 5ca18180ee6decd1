// SSE2 variants of the grain kernels: four outputs per step, positions converted with truncation
// like the plain code, neighbours gathered by unaligned loads and transposed into lanes.
#include <emmintrin.h>

#include "dsp/rate/grain_kernels.h"

namespace grain_sse {
namespace {

// Positions of outputs k .. k + 3: integer parts (as lane indices) and fractions.
struct Positions {
    __m128 frac;
    int32_t index[4];
};

Positions positionsAt(__m128 offset, __m128 ratio, __m128i j)
{
    const __m128 x = _mm_add_ps(offset, _mm_mul_ps(_mm_cvtepi32_ps(j), ratio));
    const __m128i i = _mm_cvttps_epi32(x);
    Positions p;
    p.frac = _mm_sub_ps(x, _mm_cvtepi32_ps(i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p.index), i);
    return p;
}

void accumulate(float* acc, const float* window, __m128 v)
{
    _mm_storeu_ps(acc, _mm_add_ps(_mm_loadu_ps(acc), _mm_mul_ps(v, _mm_loadu_ps(window))));
}

}  // namespace

void addCubic(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
              float ratio, int32_t first, uint32_t count)
{
    const __m128 vOffset = _mm_set1_ps(offset);
    const __m128 vRatio = _mm_set1_ps(ratio);
    __m128i j = _mm_add_epi32(_mm_set1_epi32(first), _mm_setr_epi32(0, 1, 2, 3));
    const __m128i four = _mm_set1_epi32(4);
    const uint32_t whole = count & ~3u;
    for (uint32_t k = 0; k < whole; k += 4) {
        const Positions p = positionsAt(vOffset, vRatio, j);
        j = _mm_add_epi32(j, four);
        __m128 s0 = _mm_loadu_ps(src + p.index[0]);
        __m128 s1 = _mm_loadu_ps(src + p.index[1]);
        __m128 s2 = _mm_loadu_ps(src + p.index[2]);
        __m128 s3 = _mm_loadu_ps(src + p.index[3]);
        _MM_TRANSPOSE4_PS(s0, s1, s2, s3);  // now s0 holds every lane's first neighbour, and so on
        const __m128 d10 = _mm_sub_ps(s1, s0);
        const __m128 d32 = _mm_sub_ps(s3, s2);
        const __m128 c1 = _mm_sub_ps(s2, s0);
        const __m128 c3 = _mm_add_ps(d10, d32);
        const __m128 c2 = _mm_add_ps(c3, d10);
        const __m128 f = p.frac;
        const __m128 inner = _mm_sub_ps(_mm_mul_ps(f, c3), c2);
        const __m128 v = _mm_add_ps(s1, _mm_mul_ps(f, _mm_add_ps(c1, _mm_mul_ps(f, inner))));
        accumulate(acc + k, window + k, v);
    }
    grain_plain::addCubic(acc + whole, src, window + whole, offset, ratio, first + static_cast<int32_t>(whole),
                          count - whole);
}

void addLinear(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
               float ratio, int32_t first, uint32_t count)
{
    const __m128 vOffset = _mm_set1_ps(offset);
    const __m128 vRatio = _mm_set1_ps(ratio);
    __m128i j = _mm_add_epi32(_mm_set1_epi32(first), _mm_setr_epi32(0, 1, 2, 3));
    const __m128i four = _mm_set1_epi32(4);
    const uint32_t whole = count & ~3u;
    for (uint32_t k = 0; k < whole; k += 4) {
        const Positions p = positionsAt(vOffset, vRatio, j);
        j = _mm_add_epi32(j, four);
        // Each lane's pair of neighbours is one 64-bit load.
        __m128 lo = _mm_setzero_ps();
        __m128 hi = _mm_setzero_ps();
        lo = _mm_loadl_pi(lo, reinterpret_cast<const __m64*>(src + p.index[0]));
        lo = _mm_loadh_pi(lo, reinterpret_cast<const __m64*>(src + p.index[1]));
        hi = _mm_loadl_pi(hi, reinterpret_cast<const __m64*>(src + p.index[2]));
        hi = _mm_loadh_pi(hi, reinterpret_cast<const __m64*>(src + p.index[3]));
        const __m128 a = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 b = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
        accumulate(acc + k, window + k, _mm_add_ps(a, _mm_mul_ps(p.frac, _mm_sub_ps(b, a))));
    }
    grain_plain::addLinear(acc + whole, src, window + whole, offset, ratio, first + static_cast<int32_t>(whole),
                           count - whole);
}

void addWindowed(float* __restrict acc, const float* __restrict src, const float* __restrict window, uint32_t count)
{
    const uint32_t whole = count & ~3u;
    for (uint32_t k = 0; k < whole; k += 4)
        accumulate(acc + k, window + k, _mm_loadu_ps(src + k));
    grain_plain::addWindowed(acc + whole, src + whole, window + whole, count - whole);
}

void correlate(float* __restrict sums, const float* __restrict cand, const float* __restrict ref, uint32_t count)
{
    __m128 dot = _mm_setzero_ps();
    __m128 energy = _mm_setzero_ps();
    for (uint32_t k = 0; k < count; k += 4) {
        const __m128 c = _mm_loadu_ps(cand + k);
        dot = _mm_add_ps(dot, _mm_mul_ps(c, _mm_loadu_ps(ref + k)));
        energy = _mm_add_ps(energy, _mm_mul_ps(c, c));
    }
    // (lane 0 + lane 2) + (lane 1 + lane 3), as the plain code adds them.
    dot = _mm_add_ps(dot, _mm_movehl_ps(dot, dot));
    energy = _mm_add_ps(energy, _mm_movehl_ps(energy, energy));
    sums[0] = _mm_cvtss_f32(_mm_add_ss(dot, _mm_shuffle_ps(dot, dot, 1)));
    sums[1] = _mm_cvtss_f32(_mm_add_ss(energy, _mm_shuffle_ps(energy, energy, 1)));
}

}  // namespace grain_sse
