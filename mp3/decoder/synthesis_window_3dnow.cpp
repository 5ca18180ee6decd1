#include <xmmintrin.h>

#include "mp3/decoder/synthesis_window.h"

namespace decoder {

namespace {

inline __m128 loadPair(const float* p) {
    return _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p));
}

}  // namespace

// 3DNow! registers hold two floats: eight paired products per row, then one pair add (pfacc).
// Even and odd ring positions differ only in whether the window pairs are 8-byte aligned.
void synthesisWindow3dnow(float* out, const float* rotating, const float* v, int p) {
    const float* w = rotating + ((15 - p) & 15);
    for (int i = 0; i < 32; ++i) {
        const float* vr = v + i * 16;
        const float* wr = w + i * 32;
        __m128 acc = _mm_mul_ps(loadPair(vr), loadPair(wr));
        for (int j = 2; j < 16; j += 2) acc = _mm_add_ps(acc, _mm_mul_ps(loadPair(vr + j), loadPair(wr + j)));
        const __m128 sum = _mm_add_ss(acc, _mm_shuffle_ps(acc, acc, _MM_SHUFFLE(1, 1, 1, 1)));
        _mm_store_ss(out + i, sum);
    }
}

}  // namespace decoder
