#include "mp3/player/pcm_rounding.h"

#include <cmath>

void roundToPcm16(player::SimdPath path, const float* src, int16_t* dst, uint32_t count)
{
    uint32_t i = 0;
    // The AVX2 path rounds with the SSE kernel: the conversion is a small share of the work.
    if (path == player::SimdPath::Sse || path == player::SimdPath::Avx2)
        i = pcm_rounding_sse::round(dst, src, count);
    else if (path == player::SimdPath::ThreeDNow)
        i = pcm_rounding_3dnow::round(dst, src, count);
    for (; i < count; ++i) {
        const float v = src[i];
        // Written so that NaN lands on a bound instead of reaching the integer conversion.
        const float c = v >= 32767.0f ? 32767.0f : (v > -32768.0f ? v : -32768.0f);
        dst[i] = static_cast<int16_t>(std::lrint(c));
    }
}
