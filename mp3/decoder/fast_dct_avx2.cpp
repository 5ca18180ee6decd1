#include <immintrin.h>

#include "mp3/decoder/dct_constants.h"
#include "mp3/decoder/dct_matrix.h"
#include "mp3/decoder/fast_dct.h"

namespace decoder {

namespace {

// y (16 values, 32-byte aligned) times the 16-point matrix, as two eight-wide sums.
__attribute__((target("avx2,fma"), always_inline)) inline void dct16Columns(const float* y, __m256& lo, __m256& hi)
{
    lo = _mm256_mul_ps(_mm256_broadcast_ss(y), _mm256_load_ps(kDct16Columns.c[0]));
    hi = _mm256_mul_ps(_mm256_broadcast_ss(y), _mm256_load_ps(kDct16Columns.c[0] + 8));
#pragma GCC unroll 16
    for (int k = 1; k < 16; ++k) {
        const __m256 yk = _mm256_broadcast_ss(y + k);
        lo = _mm256_fmadd_ps(yk, _mm256_load_ps(kDct16Columns.c[k]), lo);
        hi = _mm256_fmadd_ps(yk, _mm256_load_ps(kDct16Columns.c[k] + 8), hi);
    }
}

// Outputs 2m and 2m + 1 from even outputs e and odd sums o, m = 0..7 of the eight-wide halves.
__attribute__((target("avx2,fma"), always_inline)) inline void interleave(float* out, __m256 e, __m256 o)
{
    const __m256 a = _mm256_unpacklo_ps(e, o);
    const __m256 b = _mm256_unpackhi_ps(e, o);
    _mm256_storeu_ps(out, _mm256_permute2f128_ps(a, b, 0x20));
    _mm256_storeu_ps(out + 8, _mm256_permute2f128_ps(a, b, 0x31));
}

}  // namespace

// One step of Lee's split in eight-wide vectors (sums and scaled differences of mirrored inputs),
// then both 16-point halves as matrix products with fused multiply-adds: far fewer instructions
// than the remaining butterflies once those have to shuffle data between lanes.
__attribute__((target("avx2,fma"))) void dct32Avx2(const float* x, float* out)
{
    const __m256i reverse = _mm256_set_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 x0 = _mm256_loadu_ps(x), x1 = _mm256_loadu_ps(x + 8);
    const __m256 r3 = _mm256_permutevar8x32_ps(_mm256_loadu_ps(x + 24), reverse);
    const __m256 r2 = _mm256_permutevar8x32_ps(_mm256_loadu_ps(x + 16), reverse);
    const float* c = dctConstants();
    alignas(32) float g[16], h[16];
    _mm256_store_ps(g, _mm256_add_ps(x0, r3));
    _mm256_store_ps(g + 8, _mm256_add_ps(x1, r2));
    _mm256_store_ps(h, _mm256_mul_ps(_mm256_sub_ps(x0, r3), _mm256_loadu_ps(c)));
    _mm256_store_ps(h + 8, _mm256_mul_ps(_mm256_sub_ps(x1, r2), _mm256_loadu_ps(c + 8)));
    __m256 e0, e1, o0, o1;
    dct16Columns(g, e0, e1);
    dct16Columns(h, o0, o1);
    // Odd output 2m + 1 is H[m] + H[m + 1], with H[16] = 0.
    alignas(32) float odd[24];
    _mm256_store_ps(odd, o0);
    _mm256_store_ps(odd + 8, o1);
    _mm256_store_ps(odd + 16, _mm256_setzero_ps());
    o0 = _mm256_add_ps(o0, _mm256_loadu_ps(odd + 1));
    o1 = _mm256_add_ps(o1, _mm256_loadu_ps(odd + 9));
    interleave(out, e0, o0);
    interleave(out + 16, e1, o1);
}

}  // namespace decoder
