// SSE kernels: samples sit in the upper half of 32-bit lanes and are scaled at single
// precision; float-to-int conversions round to nearest and pack with signed saturation.
#include <emmintrin.h>

#include "dsp/core/pcm_convert.h"

namespace pcm_sse {
namespace {
const __m128 kUpperToFloat = _mm_set1_ps(static_cast<float>(1.0 / (32767.0 * 65536.0)));
const __m128 kDownmix = _mm_set1_ps(static_cast<float>(1.0 / 65534.0));
const __m128 kToPcm = _mm_set1_ps(32767.0f);
const __m128 kLimit = _mm_set1_ps(32768.0f);
const __m128 kNegLimit = _mm_set1_ps(-32768.0f);
// Bounds the value before conversion so that huge inputs saturate instead of wrapping to INT_MIN.
__m128i toInt(__m128 v)
{
    return _mm_cvtps_epi32(_mm_max_ps(_mm_min_ps(v, kLimit), kNegLimit));
}

__m128i load8(const int16_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
void store8(int16_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
// Places each 16-bit sample in the upper half of a 32-bit lane: value * 65536.
__m128 upperLo(__m128i v)
{
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_setzero_si128(), v));
}
__m128 upperHi(__m128i v)
{
    return _mm_cvtepi32_ps(_mm_unpackhi_epi16(_mm_setzero_si128(), v));
}
}  // namespace

uint32_t toFloatMono(float* dst, const int16_t* src, uint32_t frames)
{
    const uint32_t n = frames & ~7u;
    for (uint32_t i = 0; i < n; i += 8) {
        const __m128i v = load8(src + i);
        _mm_storeu_ps(dst + i, _mm_mul_ps(upperLo(v), kUpperToFloat));
        _mm_storeu_ps(dst + i + 4, _mm_mul_ps(upperHi(v), kUpperToFloat));
    }
    return n;
}

uint32_t toFloatStereo(float* dstL, float* dstR, const int16_t* src, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        const __m128i v = load8(src + 2 * i);                    // L0 R0 L1 R1 L2 R2 L3 R3
        const __m128 a = _mm_mul_ps(upperLo(v), kUpperToFloat);  // L0 R0 L1 R1
        const __m128 b = _mm_mul_ps(upperHi(v), kUpperToFloat);  // L2 R2 L3 R3
        _mm_storeu_ps(dstL + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        _mm_storeu_ps(dstR + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    }
    return n;
}

uint32_t toFloatDownmix(float* dst, const int16_t* src, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        const __m128i v = load8(src + 2 * i);
        // Sign-extend each pair and add: madd with ones gives L + R per frame in 32 bits.
        const __m128i sum = _mm_madd_epi16(v, _mm_set1_epi16(1));
        _mm_storeu_ps(dst + i, _mm_mul_ps(_mm_cvtepi32_ps(sum), kDownmix));
    }
    return n;
}

uint32_t fromFloatMono(int16_t* dst, const float* src, uint32_t frames)
{
    const uint32_t n = frames & ~7u;
    for (uint32_t i = 0; i < n; i += 8) {
        const __m128i a = toInt(_mm_mul_ps(_mm_loadu_ps(src + i), kToPcm));
        const __m128i b = toInt(_mm_mul_ps(_mm_loadu_ps(src + i + 4), kToPcm));
        store8(dst + i, _mm_packs_epi32(a, b));
    }
    return n;
}

uint32_t fromFloatStereo(int16_t* dst, const float* srcL, const float* srcR, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        const __m128 l = _mm_mul_ps(_mm_loadu_ps(srcL + i), kToPcm);
        const __m128 r = _mm_mul_ps(_mm_loadu_ps(srcR + i), kToPcm);
        const __m128i lo = toInt(_mm_unpacklo_ps(l, r));
        const __m128i hi = toInt(_mm_unpackhi_ps(l, r));
        store8(dst + 2 * i, _mm_packs_epi32(lo, hi));
    }
    return n;
}

uint32_t encode(int16_t* dst, const float* src, uint32_t count)
{
    const uint32_t n = count & ~7u;
    for (uint32_t i = 0; i < n; i += 8) {
        const __m128i a = toInt(_mm_loadu_ps(src + i));
        const __m128i b = toInt(_mm_loadu_ps(src + i + 4));
        store8(dst + i, _mm_packs_epi32(a, b));
    }
    return n;
}

}  // namespace pcm_sse
