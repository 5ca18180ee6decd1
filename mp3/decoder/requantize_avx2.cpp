#include "mp3/decoder/requantize_avx2.h"

#include <immintrin.h>

namespace layer3 {

void scaleLinesAvx2(const int32_t* is, int count, float a, float factor, const float* power, float* x)
{
    const __m256 va = _mm256_set1_ps(a), vf = _mm256_set1_ps(factor);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(is + i));
        const __m256 p = _mm256_i32gather_ps(power, index, 4);
        _mm256_storeu_ps(x + i, _mm256_mul_ps(_mm256_mul_ps(va, p), vf));
    }
    // The last one to seven lines (bands are narrow) through masks, the same products per lane.
    if (i < count) {
        alignas(32) static constexpr int32_t kLanes[16] = {-1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0};
        const __m256i mask = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLanes + 8 - (count - i)));
        const __m256i index = _mm256_maskload_epi32(is + i, mask);
        const __m256 p = _mm256_mask_i32gather_ps(_mm256_setzero_ps(), power, index, _mm256_castsi256_ps(mask), 4);
        _mm256_maskstore_ps(x + i, mask, _mm256_mul_ps(_mm256_mul_ps(va, p), vf));
    }
}

}  // namespace layer3
