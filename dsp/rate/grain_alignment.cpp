#include "dsp/rate/grain_alignment.h"

#include <algorithm>
#include <cmath>

namespace grain_alignment {
namespace {

// Normalised correlation of the candidate span ending at x + a + d with the reference ending at
// x + b, sampling every `stride`-th pair.
float score(const float* x, int64_t a, int64_t b, int32_t d, int32_t window, int32_t stride)
{
    const float* cand = x + a + d - window;
    const float* ref = x + b - window;
    float dot = 0.0f;
    float energy = 1e-12f;
    for (int32_t j = 0; j < window; j += stride) {
        dot += cand[j] * ref[j];
        energy += cand[j] * cand[j];
    }
    return dot / std::sqrt(energy);
}

}  // namespace

float bestLag(const float* x, int64_t a, int64_t b, int32_t maxLag, int32_t window)
{
    if (maxLag <= 0 || window <= 0)
        return 0.0f;
    // A coarse pass over every third lag with a sparse span, then every lag around the best one.
    int32_t best = 0;
    float bestScore = score(x, a, b, 0, window, 4);
    for (int32_t d = -3; d >= -maxLag; d -= 3) {
        const float s = score(x, a, b, d, window, 4);
        if (s > bestScore) {
            bestScore = s;
            best = d;
        }
    }
    const int32_t lo = std::max(best - 3, -maxLag);
    const int32_t hi = std::min(best + 3, 0);
    int32_t fine = best;
    float fineScore = -1e30f;
    for (int32_t d = lo; d <= hi; ++d) {
        const float s = score(x, a, b, d, window, 1);
        if (s > fineScore) {
            fineScore = s;
            fine = d;
        }
    }
    if (fine >= 0 || fine <= -maxLag)
        return static_cast<float>(fine);
    const float left = score(x, a, b, fine - 1, window, 1);
    const float right = score(x, a, b, fine + 1, window, 1);
    const float curve = left - 2.0f * fineScore + right;
    const float shift = curve < 0.0f ? 0.5f * (left - right) / curve : 0.0f;
    return static_cast<float>(fine) + std::clamp(shift, -0.5f, 0.5f);
}

}  // namespace grain_alignment
