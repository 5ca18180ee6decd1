// AVX2 kernels of the full-scale conversions: eight samples per vector, bit for bit the plain rule.
#include <immintrin.h>

#include "dsp/core/pcm_full_scale.h"

namespace pcm {
namespace {

// As the SSE kernels' roundHeld, eight lanes wide.
__m256i roundHeld(__m256 x, __m256 lo, __m256 hi)
{
    x = _mm256_max_ps(_mm256_min_ps(_mm256_and_ps(x, _mm256_cmp_ps(x, x, _CMP_ORD_Q)), hi), lo);
    const __m256 over = _mm256_cmp_ps(x, _mm256_set1_ps(kFullScale32), _CMP_GE_OQ);
    return _mm256_xor_si256(_mm256_cvtps_epi32(x), _mm256_castps_si256(over));
}

size_t toInt16(const float* src, int16_t* dst, size_t count, float scale)
{
    const __m256 s = _mm256_set1_ps(scale);
    const __m256 lo = _mm256_set1_ps(-32768.0f);
    const __m256 hi = _mm256_set1_ps(32767.0f);
    const size_t n = count & ~size_t(15);
    for (size_t i = 0; i < n; i += 16) {
        const __m256i a = roundHeld(_mm256_mul_ps(_mm256_loadu_ps(src + i), s), lo, hi);
        const __m256i b = roundHeld(_mm256_mul_ps(_mm256_loadu_ps(src + i + 8), s), lo, hi);
        // The pack works per 128-bit half: a0-3 b0-3 a4-7 b4-7, put back in order.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), packed);
    }
    return n;
}

size_t toInt32(const float* src, int32_t* dst, size_t count, float scale, float lo, float hi)
{
    const __m256 s = _mm256_set1_ps(scale);
    const __m256 l = _mm256_set1_ps(lo);
    const __m256 h = _mm256_set1_ps(hi);
    const size_t n = count & ~size_t(7);
    for (size_t i = 0; i < n; i += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                            roundHeld(_mm256_mul_ps(_mm256_loadu_ps(src + i), s), l, h));
    return n;
}

size_t fromInt16(const int16_t* src, float* dst, size_t count)
{
    const __m256 s = _mm256_set1_ps(1.0f / kFullScale16);
    const size_t n = count & ~size_t(7);
    for (size_t i = 0; i < n; i += 8) {
        const __m256i v = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
        _mm256_storeu_ps(dst + i, _mm256_mul_ps(_mm256_cvtepi32_ps(v), s));
    }
    return n;
}

size_t fromInt32(const int32_t* src, float* dst, size_t count, float scale)
{
    const __m256 s = _mm256_set1_ps(scale);
    const size_t n = count & ~size_t(7);
    for (size_t i = 0; i < n; i += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        _mm256_storeu_ps(dst + i, _mm256_mul_ps(_mm256_cvtepi32_ps(v), s));
    }
    return n;
}

}  // namespace

const FullScaleKernels& avx2FullScaleKernels()
{
    static const FullScaleKernels k{toInt16, toInt32, fromInt16, fromInt32};
    return k;
}

}  // namespace pcm
