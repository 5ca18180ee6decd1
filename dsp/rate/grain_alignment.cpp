#include "dsp/rate/grain_alignment.h"

#include <algorithm>
#include <cmath>

#include "dsp/rate/grain_kernels.h"

namespace grain_alignment {
namespace {

// The coarse pass compares every fourth pair of the span, at every third lag.
constexpr int32_t kCoarseStride = 4;
constexpr int32_t kCoarseStep = 3;
constexpr int32_t kCoarsePairs = kWindow / kCoarseStride;
// Every sample a coarse candidate can touch, split into the four phases of the stride.
constexpr int32_t kPhaseLen = (kMaxLag + kWindow) / kCoarseStride + 1;

float normalised(const float* sums)
{
    return sums[0] / std::sqrt(sums[1] + 1e-12f);
}

// Scores candidates against one reference. The coarse pass reads decimated copies, so that each
// candidate's every-fourth samples lie side by side for the vector kernel.
class Search {
public:
    Search(const float* x, int64_t a, int64_t b, int32_t maxLag)
        : kernels_(grainKernels()), x_(x), a_(a), b_(b), first_(a - maxLag - kWindow)
    {
        const float* ref = x + b - kWindow;
        for (int32_t m = 0; m < kCoarsePairs; ++m)
            coarseRef_[m] = ref[m * kCoarseStride];
        const int32_t span = maxLag + kWindow;
        for (int32_t p = 0; p < kCoarseStride; ++p) {
            const float* from = x + first_ + p;
            for (int32_t m = 0; p + m * kCoarseStride < span; ++m)
                phases_[p][m] = from[m * kCoarseStride];
        }
    }

    float coarse(int32_t d) const
    {
        const auto at = static_cast<int32_t>(a_ + d - kWindow - first_);
        float sums[2];
        kernels_.correlate(sums, phases_[at % kCoarseStride] + at / kCoarseStride, coarseRef_, kCoarsePairs);
        return normalised(sums);
    }

    float fine(int32_t d) const
    {
        float sums[2];
        kernels_.correlate(sums, x_ + a_ + d - kWindow, x_ + b_ - kWindow, kWindow);
        return normalised(sums);
    }

private:
    const GrainKernels& kernels_;
    const float* x_;
    int64_t a_;
    int64_t b_;
    int64_t first_;
    float coarseRef_[kCoarsePairs];
    float phases_[kCoarseStride][kPhaseLen];
};

}  // namespace

float bestLag(const float* x, int64_t a, int64_t b, int32_t maxLag)
{
    maxLag = std::min(maxLag, kMaxLag);
    if (maxLag <= 0)
        return 0.0f;
    const Search search(x, a, b, maxLag);
    // A coarse pass, then every lag around the best one.
    int32_t best = 0;
    float bestScore = search.coarse(0);
    for (int32_t d = -kCoarseStep; d >= -maxLag; d -= kCoarseStep) {
        const float s = search.coarse(d);
        if (s > bestScore) {
            bestScore = s;
            best = d;
        }
    }
    const int32_t lo = std::max(best - kCoarseStep, -maxLag);
    const int32_t hi = std::min(best + kCoarseStep, 0);
    float scores[2 * kCoarseStep + 1];
    int32_t fine = best;
    float fineScore = -1e30f;
    for (int32_t d = lo; d <= hi; ++d) {
        const float s = search.fine(d);
        scores[d - lo] = s;
        if (s > fineScore) {
            fineScore = s;
            fine = d;
        }
    }
    if (fine >= 0 || fine <= -maxLag)
        return static_cast<float>(fine);
    const float left = fine > lo ? scores[fine - 1 - lo] : search.fine(fine - 1);
    const float right = fine < hi ? scores[fine + 1 - lo] : search.fine(fine + 1);
    const float curve = left - 2.0f * fineScore + right;
    const float shift = curve < 0.0f ? 0.5f * (left - right) / curve : 0.0f;
    return static_cast<float>(fine) + std::clamp(shift, -0.5f, 0.5f);
}

}  // namespace grain_alignment
