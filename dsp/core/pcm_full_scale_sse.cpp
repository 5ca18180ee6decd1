// SSE2 kernels of the full-scale conversions: four samples per vector, bit for bit the plain rule
// (the float-to-int conversion rounds to nearest, ties to even, in the default rounding mode).
#include <emmintrin.h>

#include "dsp/core/pcm_full_scale.h"

namespace pcm {
namespace {

// x with NaN lanes zeroed, bounded to [lo, hi], rounded; lanes bounded at +2^31 give INT32_MAX
// (the conversion's 0x80000000 with every bit flipped).
__m128i roundHeld(__m128 x, __m128 lo, __m128 hi)
{
    x = _mm_max_ps(_mm_min_ps(_mm_and_ps(x, _mm_cmpord_ps(x, x)), hi), lo);
    const __m128 over = _mm_cmpge_ps(x, _mm_set1_ps(kFullScale32));
    return _mm_xor_si128(_mm_cvtps_epi32(x), _mm_castps_si128(over));
}

size_t toInt16(const float* src, int16_t* dst, size_t count, float scale)
{
    const __m128 s = _mm_set1_ps(scale);
    const __m128 lo = _mm_set1_ps(-32768.0f);
    const __m128 hi = _mm_set1_ps(32767.0f);
    const size_t n = count & ~size_t(7);
    for (size_t i = 0; i < n; i += 8) {
        const __m128i a = roundHeld(_mm_mul_ps(_mm_loadu_ps(src + i), s), lo, hi);
        const __m128i b = roundHeld(_mm_mul_ps(_mm_loadu_ps(src + i + 4), s), lo, hi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packs_epi32(a, b));
    }
    return n;
}

size_t toInt32(const float* src, int32_t* dst, size_t count, float scale, float lo, float hi)
{
    const __m128 s = _mm_set1_ps(scale);
    const __m128 l = _mm_set1_ps(lo);
    const __m128 h = _mm_set1_ps(hi);
    const size_t n = count & ~size_t(3);
    for (size_t i = 0; i < n; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), roundHeld(_mm_mul_ps(_mm_loadu_ps(src + i), s), l, h));
    return n;
}

size_t fromInt16(const int16_t* src, float* dst, size_t count)
{
    const __m128 s = _mm_set1_ps(1.0f / kFullScale16);
    const size_t n = count & ~size_t(7);
    for (size_t i = 0; i < n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
        const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
        _mm_storeu_ps(dst + i, _mm_mul_ps(_mm_cvtepi32_ps(lo), s));
        _mm_storeu_ps(dst + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(hi), s));
    }
    return n;
}

size_t fromInt32(const int32_t* src, float* dst, size_t count, float scale)
{
    const __m128 s = _mm_set1_ps(scale);
    const size_t n = count & ~size_t(3);
    for (size_t i = 0; i < n; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_ps(dst + i, _mm_mul_ps(_mm_cvtepi32_ps(v), s));
    }
    return n;
}

}  // namespace

const FullScaleKernels& sseFullScaleKernels()
{
    static const FullScaleKernels k{toInt16, toInt32, fromInt16, fromInt32};
    return k;
}

}  // namespace pcm
