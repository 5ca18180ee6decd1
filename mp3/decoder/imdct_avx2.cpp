#include "mp3/decoder/imdct_avx2.h"

#include <immintrin.h>

namespace layer3 {
namespace {

// Rows r[0..7] become columns: afterwards r[k] holds element k of every former row, row j in lane j.
inline void transpose8(__m256 r[8])
{
    const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
    const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
    const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
    const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
    const __m256 u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
    const __m256 u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
    const __m256 u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
    r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
    r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
    r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
    r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
    r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
    r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
    r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
    r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

// The 9-point DCT-III of imdct.cpp: mirrored outputs share their even and odd sums.
inline void dct9(const __m256 in[9], const ImdctWindows& w, __m256 out[9])
{
    for (int n = 0; n < 4; ++n) {
        __m256 evenSum = in[0], oddSum = _mm256_mul_ps(in[1], _mm256_set1_ps(w.cos9[n][1]));
        for (int m = 2; m < 9; m += 2)
            evenSum = _mm256_add_ps(evenSum, _mm256_mul_ps(in[m], _mm256_set1_ps(w.cos9[n][m])));
        for (int m = 3; m < 9; m += 2)
            oddSum = _mm256_add_ps(oddSum, _mm256_mul_ps(in[m], _mm256_set1_ps(w.cos9[n][m])));
        out[n] = _mm256_add_ps(evenSum, oddSum);
        out[8 - n] = _mm256_sub_ps(evenSum, oddSum);
    }
    out[4] = _mm256_add_ps(_mm256_sub_ps(_mm256_add_ps(_mm256_sub_ps(in[0], in[2]), in[4]), in[6]), in[8]);
}

}  // namespace

void longEightAvx2(const float* x, int blockType, int sb, SlotBlock& overlap, SlotBlock& out, const ImdctWindows& w)
{
    // Lines k of the eight subbands into X[k]: two 8 x 8 transposes, then the last two lines.
    const float* rows = x + 18 * sb;
    __m256 X[18];
    for (int k = 0; k < 16; k += 8) {
        for (int j = 0; j < 8; ++j)
            X[k + j] = _mm256_loadu_ps(rows + 18 * j + k);
        transpose8(X + k);
    }
    for (int k = 16; k < 18; ++k)
        X[k] = _mm256_setr_ps(rows[k], rows[18 + k], rows[36 + k], rows[54 + k], rows[72 + k], rows[90 + k],
                              rows[108 + k], rows[126 + k]);

    // The DCT-IV as in imdct.cpp's longCore.
    __m256 u[18];
    u[0] = X[0];
    for (int k = 1; k < 18; ++k)
        u[k] = _mm256_add_ps(X[k], X[k - 1]);
    __m256 even[9], odd[9];
    even[0] = u[0];
    odd[0] = u[1];
    for (int m = 1; m < 9; ++m) {
        even[m] = u[2 * m];
        odd[m] = _mm256_add_ps(u[2 * m + 1], u[2 * m - 1]);
    }
    __m256 e[9], o[9], D[18];
    dct9(even, w, e);
    dct9(odd, w, o);
    for (int n = 0; n < 9; ++n) {
        const __m256 scaled = _mm256_mul_ps(o[n], _mm256_set1_ps(w.oddScale[n]));
        D[n] = _mm256_add_ps(e[n], scaled);
        D[17 - n] = _mm256_sub_ps(e[n], scaled);
    }

    const float* win = w.longWindow[blockType & 3];
    for (int s = 0; s < kSlots; ++s) {
        const __m256 y = _mm256_mul_ps(D[longSourceIndex(s)], _mm256_set1_ps(win[s]));
        _mm256_storeu_ps(&out[s][sb], _mm256_add_ps(y, _mm256_loadu_ps(&overlap[s][sb])));
        _mm256_storeu_ps(&overlap[s][sb], _mm256_mul_ps(D[longSourceIndex(s + 18)], _mm256_set1_ps(win[s + 18])));
    }
}

}  // namespace layer3
