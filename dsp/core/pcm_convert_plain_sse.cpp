// SSE2 kernels with the plain path's arithmetic, bit for bit: 16-bit samples scaled in double
// precision and rounded once to float; floats clamped to +-1 (NaN to -1), scaled by 32767 in double
// precision and truncated; encode clamps to +-32767 and truncates. Only the speed differs.
#include <emmintrin.h>

#include "dsp/core/pcm_convert.h"

namespace pcm_plain_sse {
namespace {
const __m128d kToFloat = _mm_set1_pd(1.0 / 32767.0);
const __m128d kToPcm = _mm_set1_pd(32767.0);
const __m128 kOne = _mm_set1_ps(1.0f);
const __m128 kMinusOne = _mm_set1_ps(-1.0f);
const __m128 kEncodeLimit = _mm_set1_ps(32767.0f);
const __m128 kEncodeNegLimit = _mm_set1_ps(-32767.0f);

__m128i load8(const int16_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
void store8(int16_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
// Sign-extends the low or high four 16-bit samples to 32 bits.
__m128i widenLo(__m128i v)
{
    return _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
}
__m128i widenHi(__m128i v)
{
    return _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
}

// int * (1 / 32767.0) in double, then rounded to float, for four samples.
__m128 toFloat(__m128i v)
{
    const __m128 lo = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtepi32_pd(v), kToFloat));
    const __m128 hi
        = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2))), kToFloat));
    return _mm_movelh_ps(lo, hi);
}

// Clamped (max first, so NaN takes -1), scaled in double and truncated: four 32-bit results.
__m128i toPcm(__m128 v)
{
    const __m128 c = _mm_min_ps(_mm_max_ps(v, kMinusOne), kOne);
    const __m128i lo = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(c), kToPcm));
    const __m128i hi = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(c, c)), kToPcm));
    return _mm_unpacklo_epi64(lo, hi);
}
}  // namespace

uint32_t toFloatMono(float* dst, const int16_t* src, uint32_t frames)
{
    const uint32_t n = frames & ~7u;
    for (uint32_t i = 0; i < n; i += 8) {
        const __m128i v = load8(src + i);
        _mm_storeu_ps(dst + i, toFloat(widenLo(v)));
        _mm_storeu_ps(dst + i + 4, toFloat(widenHi(v)));
    }
    return n;
}

uint32_t toFloatStereo(float* dstL, float* dstR, const int16_t* src, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        const __m128i v = load8(src + 2 * i);
        const __m128 a = _mm_castsi128_ps(widenLo(v));  // L0 R0 L1 R1 as integers
        const __m128 b = _mm_castsi128_ps(widenHi(v));  // L2 R2 L3 R3
        _mm_storeu_ps(dstL + i, toFloat(_mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)))));
        _mm_storeu_ps(dstR + i, toFloat(_mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)))));
    }
    return n;
}

uint32_t toFloatDownmix(float* dst, const int16_t* src, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        // madd with ones sign-extends each pair and adds it: L + R per frame, then halved rounding down.
        const __m128i sum = _mm_madd_epi16(load8(src + 2 * i), _mm_set1_epi16(1));
        _mm_storeu_ps(dst + i, toFloat(_mm_srai_epi32(sum, 1)));
    }
    return n;
}

uint32_t fromFloatMono(int16_t* dst, const float* src, uint32_t frames)
{
    const uint32_t n = frames & ~7u;
    for (uint32_t i = 0; i < n; i += 8)
        store8(dst + i, _mm_packs_epi32(toPcm(_mm_loadu_ps(src + i)), toPcm(_mm_loadu_ps(src + i + 4))));
    return n;
}

uint32_t fromFloatStereo(int16_t* dst, const float* srcL, const float* srcR, uint32_t frames)
{
    const uint32_t n = frames & ~3u;
    for (uint32_t i = 0; i < n; i += 4) {
        const __m128 l = _mm_loadu_ps(srcL + i);
        const __m128 r = _mm_loadu_ps(srcR + i);
        store8(dst + 2 * i, _mm_packs_epi32(toPcm(_mm_unpacklo_ps(l, r)), toPcm(_mm_unpackhi_ps(l, r))));
    }
    return n;
}

uint32_t encode(int16_t* dst, const float* src, uint32_t count)
{
    const uint32_t n = count & ~7u;
    for (uint32_t i = 0; i < n; i += 8) {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(src + i), kEncodeNegLimit), kEncodeLimit);
        const __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(src + i + 4), kEncodeNegLimit), kEncodeLimit);
        store8(dst + i, _mm_packs_epi32(_mm_cvttps_epi32(a), _mm_cvttps_epi32(b)));
    }
    return n;
}

}  // namespace pcm_plain_sse
