// 3DNow!'s arithmetic written with SSE: its float-to-int conversion only truncates, so half an
// LSB with the sample's sign is added first (ties round away from zero). Two values per step,
// as a 64-bit register holds them; values are bounded first and packed with signed saturation.
#include <emmintrin.h>

#include <cstring>

#include "mp3/player/pcm_rounding.h"

namespace pcm_rounding_3dnow {

uint32_t round(int16_t* dst, const float* src, uint32_t count)
{
    const __m128 hi = _mm_set1_ps(32767.0f);
    const __m128 lo = _mm_set1_ps(-32768.0f);
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 sign = _mm_set1_ps(-0.0f);
    const uint32_t n = count & ~1u;
    for (uint32_t i = 0; i < n; i += 2) {
        const __m128 v = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i)));
        const __m128 c = _mm_max_ps(_mm_min_ps(v, hi), lo);
        const __m128 nudged = _mm_add_ps(c, _mm_or_ps(half, _mm_and_ps(c, sign)));
        const __m128i r = _mm_cvttps_epi32(nudged);
        const int32_t pair = _mm_cvtsi128_si32(_mm_packs_epi32(r, r));
        std::memcpy(dst + i, &pair, 4);
    }
    return n;
}

}  // namespace pcm_rounding_3dnow
