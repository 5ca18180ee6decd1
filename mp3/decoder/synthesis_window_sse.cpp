#include <xmmintrin.h>

#include "mp3/decoder/synthesis_window.h"

namespace decoder {

// All 32 sums stay in eight registers while the 16 taps stream past.
void synthesisWindowSse(float* out, const float* w, const float* v, int p)
{
    __m128 acc[8];
    const float* v0 = v + 32 * p;
    for (int j = 0; j < 8; ++j)
        acc[j] = _mm_mul_ps(_mm_load_ps(w + 4 * j), _mm_load_ps(v0 + 4 * j));
    for (int n = 1; n < 16; ++n) {
        const float* wn = w + 32 * n;
        const float* vn = v + 32 * ((p - n) & 15);
        for (int j = 0; j < 8; ++j)
            acc[j] = _mm_add_ps(acc[j], _mm_mul_ps(_mm_load_ps(wn + 4 * j), _mm_load_ps(vn + 4 * j)));
    }
    for (int j = 0; j < 8; ++j)
        _mm_storeu_ps(out + 4 * j, acc[j]);
}

}  // namespace decoder
