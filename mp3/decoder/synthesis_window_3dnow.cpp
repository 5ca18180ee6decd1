#include <xmmintrin.h>

#include "mp3/decoder/synthesis_window.h"

namespace decoder {

// 3DNow! forms paired products over ring slots 0..15 in order, so one lane of each pair sums the
// even slots and the other the odd ones, and a final pair add joins them. Here each output keeps
// those two sums apart in the same order.
void synthesisWindow3dnow(float* out, const float* w, const float* v, int p)
{
    for (int j = 0; j < 32; j += 4) {
        __m128 even = _mm_setzero_ps();
        __m128 odd = _mm_setzero_ps();
        for (int s = 0; s < 16; s += 2) {
            const __m128 pe = _mm_mul_ps(_mm_load_ps(w + 32 * ((p - s) & 15) + j), _mm_load_ps(v + 32 * s + j));
            const __m128 po
                = _mm_mul_ps(_mm_load_ps(w + 32 * ((p - s - 1) & 15) + j), _mm_load_ps(v + 32 * (s + 1) + j));
            even = s == 0 ? pe : _mm_add_ps(even, pe);
            odd = s == 0 ? po : _mm_add_ps(odd, po);
        }
        _mm_storeu_ps(out + j, _mm_add_ps(even, odd));
    }
}

}  // namespace decoder
