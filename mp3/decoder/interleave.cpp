#include "mp3/decoder/interleave.h"

#include <xmmintrin.h>

namespace decoder {

void interleaveStereo(const float* left, const float* right, float* out, uint32_t samples)
{
    // Four frames per step: unpacking pairs the lanes of the two channels.
    uint32_t i = 0;
    for (; i + 4 <= samples; i += 4) {
        const __m128 l = _mm_loadu_ps(left + i);
        const __m128 r = _mm_loadu_ps(right + i);
        _mm_storeu_ps(out + 2 * i, _mm_unpacklo_ps(l, r));
        _mm_storeu_ps(out + 2 * i + 4, _mm_unpackhi_ps(l, r));
    }
    for (; i < samples; ++i) {
        out[2 * i] = left[i];
        out[2 * i + 1] = right[i];
    }
}

}  // namespace decoder
