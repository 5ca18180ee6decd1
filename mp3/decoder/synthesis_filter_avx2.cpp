#include "mp3/decoder/synthesis_filter_avx2.h"

#include <immintrin.h>

#include "mp3/decoder/fast_dct.h"
#include "mp3/decoder/synthesis_window.h"

namespace decoder {

namespace {

// -x[at + 7], ..., -x[at].
__attribute__((always_inline)) inline __m256 negatedReversed(const float* x, int at)
{
    const __m256i reverse = _mm256_set_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_xor_ps(_mm256_permutevar8x32_ps(_mm256_loadu_ps(x + at), reverse), _mm256_set1_ps(-0.0f));
}

}  // namespace

void synthesisRunsAvx2(const float* in, int count, float (*v)[1024], int32_t& active, int32_t& ring,
                       const float* window, float* out)
{
    alignas(32) float x[40];
    _mm256_store_ps(x + 32, _mm256_setzero_ps());
    const __m256 sign = _mm256_set1_ps(-0.0f);
    for (int s = 0; s < count; ++s, in += 32, out += 32) {
        const int p = ring;
        float* act = v[active] + 32 * p;
        float* oth = v[active ^ 1] + 32 * p;
        dct32Avx2(in, x);
        // Active row: X[16..31], then -X[32 - m] for m = 0..15 (X[32] = 0). Other row: -X[16 - r]
        // for r = 0..15, then -X[r - 16]. Both go to slot p and its copy at p + 16.
        const __m256 rows[8] = {_mm256_load_ps(x + 16),
                                _mm256_load_ps(x + 24),
                                negatedReversed(x, 25),
                                negatedReversed(x, 17),
                                negatedReversed(x, 9),
                                negatedReversed(x, 1),
                                _mm256_xor_ps(_mm256_load_ps(x), sign),
                                _mm256_xor_ps(_mm256_load_ps(x + 8), sign)};
        for (int k = 0; k < 4; ++k) {
            _mm256_store_ps(act + 8 * k, rows[k]);
            _mm256_store_ps(act + 512 + 8 * k, rows[k]);
            _mm256_store_ps(oth + 8 * k, rows[4 + k]);
            _mm256_store_ps(oth + 512 + 8 * k, rows[4 + k]);
        }
        synthesisWindowAvx2(out, window, v[active], p);
        active ^= 1;
        ring = (ring + 1) & 15;
    }
}

}  // namespace decoder
