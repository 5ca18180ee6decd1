#include "mp3/decoder/synthesis_filter_avx2.h"

#include <immintrin.h>

#include "mp3/decoder/dct_constants.h"
#include "mp3/decoder/lee_dct.h"
#include "mp3/decoder/synthesis_window.h"

namespace decoder {

namespace {

// Eight float lanes as a plain vector type, which the DCT template takes as its value.
typedef float Lanes8 __attribute__((vector_size(32)));

// Rows r[0..7] become columns: r[i] lane j takes what r[j] lane i held.
__attribute__((always_inline)) inline void transpose8(__m256 (&r)[8])
{
    __m256 t[8], s[8];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_ps(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_ps(r[2 * i], r[2 * i + 1]);
    }
#pragma GCC unroll 2
    for (int i = 0; i < 2; ++i) {
        s[4 * i] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], _MM_SHUFFLE(1, 0, 1, 0));
        s[4 * i + 1] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], _MM_SHUFFLE(3, 2, 3, 2));
        s[4 * i + 2] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], _MM_SHUFFLE(1, 0, 1, 0));
        s[4 * i + 3] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], _MM_SHUFFLE(3, 2, 3, 2));
    }
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm256_permute2f128_ps(s[i], s[4 + i], 0x20);
        r[4 + i] = _mm256_permute2f128_ps(s[i], s[4 + i], 0x31);
    }
}

// The DCTs of the n <= 8 rows of 32 at in into x[0..n-1][0..31], one row per lane (lanes past n
// get zeros): the rows are transposed in, transformed with straight butterflies and transposed
// back. Each row's result has the bits of dct32's.
__attribute__((flatten)) void dct32Rows(const float* in, int n, float (*x)[40])
{
    Lanes8 cols[32], out[32];
#pragma GCC unroll 4
    for (int b = 0; b < 4; ++b) {
        __m256 r[8];
#pragma GCC unroll 8
        for (int j = 0; j < 8; ++j)
            r[j] = j < n ? _mm256_loadu_ps(in + 32 * j + 8 * b) : _mm256_setzero_ps();
        transpose8(r);
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i)
            cols[8 * b + i] = r[i];
    }
    leeDct32(cols, out, dctConstants());
#pragma GCC unroll 4
    for (int b = 0; b < 4; ++b) {
        __m256 r[8];
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i)
            r[i] = out[8 * b + i];
        transpose8(r);
#pragma GCC unroll 8
        for (int j = 0; j < 8; ++j)
            _mm256_store_ps(x[j] + 8 * b, r[j]);
    }
}

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
    // x[j][32] = 0 stands for V[16]; x[j][33..39] keep the unaligned loads inside the row.
    alignas(32) float x[8][40];
    for (auto& row : x)
        _mm256_store_ps(row + 32, _mm256_setzero_ps());
    const __m256 sign = _mm256_set1_ps(-0.0f);
    while (count > 0) {
        const int n = count < 8 ? count : 8;
        dct32Rows(in, n, x);
        for (int j = 0; j < n; ++j) {
            const int p = (ring + j) & 15;
            const int a = (active + j) & 1;
            float* act = v[a] + 32 * p;
            float* oth = v[a ^ 1] + 32 * p;
            const float* xj = x[j];
            // Active row: X[16..31], then -X[32 - m] for m = 0..15. Other row: -X[16 - r] for
            // r = 0..15, then -X[r - 16]. Both go to slot p and its copy at p + 16.
            const __m256 rows[8] = {_mm256_load_ps(xj + 16),
                                    _mm256_load_ps(xj + 24),
                                    negatedReversed(xj, 25),
                                    negatedReversed(xj, 17),
                                    negatedReversed(xj, 9),
                                    negatedReversed(xj, 1),
                                    _mm256_xor_ps(_mm256_load_ps(xj), sign),
                                    _mm256_xor_ps(_mm256_load_ps(xj + 8), sign)};
            const bool second = (j & 1) != 0;
            for (int k = 0; k < 4; ++k) {
                _mm256_store_ps(act + 8 * k, rows[k]);
                _mm256_store_ps(act + 512 + 8 * k, rows[k]);
            }
            // Rows go in pairs, the two windows sharing their tap loads. The second row's window
            // reads the first's new V rows; its other row replaces the oldest slot of the first's
            // ring, so it is stored after the windows.
            if (second)
                synthesisWindowPairAvx2(out + 32 * (j - 1), window, v[a ^ 1], (p - 1) & 15, v[a], p);
            for (int k = 0; k < 4; ++k) {
                _mm256_store_ps(oth + 8 * k, rows[4 + k]);
                _mm256_store_ps(oth + 512 + 8 * k, rows[4 + k]);
            }
            if (!second && j + 1 == n)
                synthesisWindowAvx2(out + 32 * j, window, v[a], p);
        }
        active = (active + n) & 1;
        ring = (ring + n) & 15;
        out += 32 * n;
        in += 32 * n;
        count -= n;
    }
}

}  // namespace decoder
