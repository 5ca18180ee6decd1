#include <xmmintrin.h>

#include "mp3/decoder/synthesis_window.h"

namespace decoder {

namespace {

// Sum of the 16 products of one row: V row aligned, window taps unaligned from the rotating layout.
inline __m128 rowProducts(const float* vr, const float* wr) {
    __m128 a = _mm_mul_ps(_mm_load_ps(vr), _mm_loadu_ps(wr));
    a = _mm_add_ps(a, _mm_mul_ps(_mm_load_ps(vr + 4), _mm_loadu_ps(wr + 4)));
    a = _mm_add_ps(a, _mm_mul_ps(_mm_load_ps(vr + 8), _mm_loadu_ps(wr + 8)));
    return _mm_add_ps(a, _mm_mul_ps(_mm_load_ps(vr + 12), _mm_loadu_ps(wr + 12)));
}

}  // namespace

void synthesisWindowSse(float* out, const float* rotating, const float* v, int p) {
    // With the row reversed and doubled, ring position p needs the 16 taps from offset (15 - p) mod 16.
    const float* w = rotating + ((15 - p) & 15);
    for (int i = 0; i < 32; i += 4) {
        const __m128 a0 = rowProducts(v + i * 16, w + i * 32);
        const __m128 a1 = rowProducts(v + (i + 1) * 16, w + (i + 1) * 32);
        const __m128 a2 = rowProducts(v + (i + 2) * 16, w + (i + 2) * 32);
        const __m128 a3 = rowProducts(v + (i + 3) * 16, w + (i + 3) * 32);
        // Transpose-add: lane r of the result is the horizontal sum of a_r.
        const __m128 s01 = _mm_add_ps(_mm_unpacklo_ps(a0, a1), _mm_unpackhi_ps(a0, a1));
        const __m128 s23 = _mm_add_ps(_mm_unpacklo_ps(a2, a3), _mm_unpackhi_ps(a2, a3));
        const __m128 sums = _mm_add_ps(_mm_movelh_ps(s01, s23), _mm_movehl_ps(s23, s01));
        _mm_storeu_ps(out + i, sums);
    }
}

}  // namespace decoder
