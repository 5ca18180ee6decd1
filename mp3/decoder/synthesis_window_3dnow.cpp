#include <xmmintrin.h>

#include "mp3/decoder/synthesis_window.h"

namespace decoder {

// 3DNow! forms paired products, so one lane of each pair sums the even taps and the other the
// odd ones, and a final pair add joins them. Here each output keeps those two sums apart in the
// same order. The order runs over the taps, not the ring slots, so a result does not depend on
// where the ring stands (a seek restarts it elsewhere than a decode from the start has it).
void synthesisWindow3dnow(float* out, const float* w, const float* v, int p)
{
    for (int j = 0; j < 32; j += 4) {
        __m128 even = _mm_setzero_ps();
        __m128 odd = _mm_setzero_ps();
        for (int t = 0; t < 16; t += 2) {
            const __m128 pe = _mm_mul_ps(_mm_load_ps(w + 32 * t + j), _mm_load_ps(v + 32 * ((p - t) & 15) + j));
            const __m128 po
                = _mm_mul_ps(_mm_load_ps(w + 32 * (t + 1) + j), _mm_load_ps(v + 32 * ((p - t - 1) & 15) + j));
            even = t == 0 ? pe : _mm_add_ps(even, pe);
            odd = t == 0 ? po : _mm_add_ps(odd, po);
        }
        _mm_storeu_ps(out + j, _mm_add_ps(even, odd));
    }
}

}  // namespace decoder
