#include <immintrin.h>

#include "mp3/decoder/synthesis_window.h"

namespace decoder {

// Only called once the CPU check has found AVX2 and FMA.
void synthesisWindowAvx2(float* out, const float* w, const float* v, int p)
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

void synthesisWindowPairAvx2(float* out, const float* w, const float* v, int p, const float* v2, int p2)
{
    const float* x0 = v + 32 * p;
    const float* y0 = v2 + 32 * p2;
    __m256 a[4], b[4];
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
        const __m256 wk = _mm256_load_ps(w + 8 * k);
        a[k] = _mm256_mul_ps(wk, _mm256_load_ps(x0 + 8 * k));
        b[k] = _mm256_mul_ps(wk, _mm256_load_ps(y0 + 8 * k));
    }
#pragma GCC unroll 15
    for (int n = 1; n < 16; ++n) {
        const float* wn = w + 32 * n;
        const float* xn = x0 + 512 - 32 * n;
        const float* yn = y0 + 512 - 32 * n;
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            const __m256 wk = _mm256_load_ps(wn + 8 * k);
            a[k] = _mm256_fmadd_ps(wk, _mm256_load_ps(xn + 8 * k), a[k]);
            b[k] = _mm256_fmadd_ps(wk, _mm256_load_ps(yn + 8 * k), b[k]);
        }
    }
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
        _mm256_storeu_ps(out + 8 * k, a[k]);
        _mm256_storeu_ps(out + 32 + 8 * k, b[k]);
    }
}

}  // namespace decoder
