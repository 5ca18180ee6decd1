#include <immintrin.h>

#include "mp3/decoder/synthesis_window.h"

namespace decoder {

// Only called once the CPU check has found AVX2 and FMA.
__attribute__((target("avx2,fma"))) void synthesisWindowAvx2(float* out, const float* w, const float* v, int p)
{
    const float* v0 = v + 32 * p;
    __m256 a0 = _mm256_mul_ps(_mm256_load_ps(w), _mm256_load_ps(v0));
    __m256 a1 = _mm256_mul_ps(_mm256_load_ps(w + 8), _mm256_load_ps(v0 + 8));
    __m256 a2 = _mm256_mul_ps(_mm256_load_ps(w + 16), _mm256_load_ps(v0 + 16));
    __m256 a3 = _mm256_mul_ps(_mm256_load_ps(w + 24), _mm256_load_ps(v0 + 24));
#pragma GCC unroll 15
    for (int n = 1; n < 16; ++n) {
        const float* wn = w + 32 * n;
        const float* vn = v0 + 512 - 32 * n;  // slot p - n through the copy at p + 16
        a0 = _mm256_fmadd_ps(_mm256_load_ps(wn), _mm256_load_ps(vn), a0);
        a1 = _mm256_fmadd_ps(_mm256_load_ps(wn + 8), _mm256_load_ps(vn + 8), a1);
        a2 = _mm256_fmadd_ps(_mm256_load_ps(wn + 16), _mm256_load_ps(vn + 16), a2);
        a3 = _mm256_fmadd_ps(_mm256_load_ps(wn + 24), _mm256_load_ps(vn + 24), a3);
    }
    _mm256_storeu_ps(out, a0);
    _mm256_storeu_ps(out + 8, a1);
    _mm256_storeu_ps(out + 16, a2);
    _mm256_storeu_ps(out + 24, a3);
}

}  // namespace decoder
