// SSE: the float-to-int conversion rounds to nearest (even on ties) in the default rounding
// mode; values are bounded first so huge ones saturate instead of wrapping, then packed with
// signed saturation.
#include <emmintrin.h>

#include "mp3/player/pcm_rounding.h"

namespace pcm_rounding_sse {

uint32_t round(int16_t* dst, const float* src, uint32_t count)
{
    const __m128 hi = _mm_set1_ps(32767.0f);
    const __m128 lo = _mm_set1_ps(-32768.0f);
    const uint32_t n = count & ~7u;
    for (uint32_t i = 0; i < n; i += 8) {
        const __m128i a = _mm_cvtps_epi32(_mm_max_ps(_mm_min_ps(_mm_loadu_ps(src + i), hi), lo));
        const __m128i b = _mm_cvtps_epi32(_mm_max_ps(_mm_min_ps(_mm_loadu_ps(src + i + 4), hi), lo));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packs_epi32(a, b));
    }
    return n;
}

}  // namespace pcm_rounding_sse
