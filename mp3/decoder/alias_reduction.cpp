#include "mp3/decoder/alias_reduction.h"

#include <emmintrin.h>

#include <cmath>

namespace layer3 {
namespace {

constexpr double kAliasC[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};

struct AliasTables {
    float cs[8], ca[8];
    AliasTables()
    {
        for (int i = 0; i < 8; ++i) {
            const double sq = std::sqrt(1.0 + kAliasC[i] * kAliasC[i]);
            cs[i] = static_cast<float>(1.0 / sq);
            ca[i] = static_cast<float>(kAliasC[i] / sq);
        }
    }
};

}  // namespace

// Four butterflies per vector: the lines below the boundary are loaded and stored reversed. Each
// lane does the same products and sums as the scalar formula, so the result is the same.
void reduceAliases(float x[kGranuleLines], int boundaries)
{
    static const AliasTables t;
    if (boundaries > 31)
        boundaries = 31;
    const __m128 cs0 = _mm_loadu_ps(t.cs), cs1 = _mm_loadu_ps(t.cs + 4);
    const __m128 ca0 = _mm_loadu_ps(t.ca), ca1 = _mm_loadu_ps(t.ca + 4);
    auto reversed = [](__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); };
    for (int sb = 1; sb <= boundaries; ++sb) {
        float* edge = x + 18 * sb;
        // a0 holds lines edge[-1 .. -4], a1 edge[-5 .. -8]; b0 and b1 lines edge[0 .. 7].
        const __m128 a0 = reversed(_mm_loadu_ps(edge - 4)), a1 = reversed(_mm_loadu_ps(edge - 8));
        const __m128 b0 = _mm_loadu_ps(edge), b1 = _mm_loadu_ps(edge + 4);
        _mm_storeu_ps(edge - 4, reversed(_mm_sub_ps(_mm_mul_ps(a0, cs0), _mm_mul_ps(b0, ca0))));
        _mm_storeu_ps(edge - 8, reversed(_mm_sub_ps(_mm_mul_ps(a1, cs1), _mm_mul_ps(b1, ca1))));
        _mm_storeu_ps(edge, _mm_add_ps(_mm_mul_ps(b0, cs0), _mm_mul_ps(a0, ca0)));
        _mm_storeu_ps(edge + 4, _mm_add_ps(_mm_mul_ps(b1, cs1), _mm_mul_ps(a1, ca1)));
    }
}

}  // namespace layer3
