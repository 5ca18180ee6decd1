#include <immintrin.h>

#include "mp3/decoder/dct_matrix.h"
#include "mp3/decoder/fast_dct.h"

namespace decoder {

// Each input scales its column of the matrix into four eight-wide sums: 128 fused multiply-adds,
// fewer instructions than the butterflies once those have to shuffle data between lanes.
void dct32Avx2(const float* x, float* out)
{
    __m256 a0 = _mm256_setzero_ps(), a1 = _mm256_setzero_ps(), a2 = _mm256_setzero_ps(), a3 = _mm256_setzero_ps();
    for (int k = 0; k < 32; ++k) {
        const __m256 xk = _mm256_broadcast_ss(x + k);
        const float* col = kDctColumns.c[k];
        a0 = _mm256_fmadd_ps(xk, _mm256_load_ps(col), a0);
        a1 = _mm256_fmadd_ps(xk, _mm256_load_ps(col + 8), a1);
        a2 = _mm256_fmadd_ps(xk, _mm256_load_ps(col + 16), a2);
        a3 = _mm256_fmadd_ps(xk, _mm256_load_ps(col + 24), a3);
    }
    _mm256_storeu_ps(out, a0);
    _mm256_storeu_ps(out + 8, a1);
    _mm256_storeu_ps(out + 16, a2);
    _mm256_storeu_ps(out + 24, a3);
}

}  // namespace decoder
