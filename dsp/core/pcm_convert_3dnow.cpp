// Kernels with 3DNow!'s arithmetic written with SSE: samples are sign-extended and scaled at
// single precision in blocks of 4 frames; float-to-int conversions truncate toward zero and
// pack with signed saturation.
#include <emmintrin.h>

#include "dsp/core/pcm_convert.h"

namespace pcm_3dnow {
namespace {
const __m128 kToFloat = _mm_set1_ps(static_cast<float>(1.0 / 32767.0));
const __m128 kDownmix = _mm_set1_ps(static_cast<float>(1.0 / 65534.0));
const __m128 kToPcm = _mm_set1_ps(32767.0f);
const __m128 kLimit = _mm_set1_ps(32768.0f);
const __m128 kNegLimit = _mm_set1_ps(-32768.0f);
// Bounds the value before conversion so that huge inputs saturate instead of wrapping to INT_MIN.
__m128i toInt(__m128 v)
{
    return _mm_cvttps_epi32(_mm_max_ps(_mm_min_ps(v, kLimit), kNegLimit));
}

__m128i load4(const int16_t* p)
{
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
__m128i load8(const int16_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
__m128 widenLo(__m128i v)
{
    return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16));
}
__m128 widenHi(__m128i v)
{
    return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16));
}
}  // namespace

uint32_t toFloatMono(float* dst, const int16_t* src, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4)
        _mm_storeu_ps(dst + i, _mm_mul_ps(widenLo(load4(src + i)), kToFloat));
    return n;
}

uint32_t toFloatStereo(float* dstL, float* dstR, const int16_t* src, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        const __m128i v = load8(src + 2 * i);
        const __m128 a = _mm_mul_ps(widenLo(v), kToFloat);
        const __m128 b = _mm_mul_ps(widenHi(v), kToFloat);
        _mm_storeu_ps(dstL + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storeu_ps(dstR + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    }
    return n;
}

uint32_t toFloatDownmix(float* dst, const int16_t* src, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        const __m128i sum = _mm_madd_epi16(load8(src + 2 * i), _mm_set1_epi16(1));
        _mm_storeu_ps(dst + i, _mm_mul_ps(_mm_cvtepi32_ps(sum), kDownmix));
    }
    return n;
}

uint32_t fromFloatMono(int16_t* dst, const float* src, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        const __m128i v = toInt(_mm_mul_ps(_mm_loadu_ps(src + i), kToPcm));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), _mm_packs_epi32(v, v));
    }
    return n;
}

uint32_t fromFloatStereo(int16_t* dst, const float* srcL, const float* srcR, uint32_t frames)
{
    const uint32_t n = frames & ~1u;
    for (uint32_t i = 0; i < n; i += 2) {
        const __m128 l = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(srcL + i)));
        const __m128 r = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(srcR + i)));
        const __m128i v = toInt(_mm_mul_ps(_mm_unpacklo_ps(l, r), kToPcm));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 2 * i), _mm_packs_epi32(v, v));
    }
    return n;
}

uint32_t encode(int16_t* dst, const float* src, uint32_t count)
{
    const uint32_t n = count & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        const __m128i v = toInt(_mm_loadu_ps(src + i));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), _mm_packs_epi32(v, v));
    }
    return n;
}

}  // namespace pcm_3dnow
