#include "mp3/decoder/alias_reduction.h"

#include <cmath>

namespace layer3 {
namespace {

constexpr double kAliasC[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};

struct AliasTables {
    float cs[8], ca[8];
    AliasTables() {
        for (int i = 0; i < 8; ++i) {
            const double sq = std::sqrt(1.0 + kAliasC[i] * kAliasC[i]);
            cs[i] = static_cast<float>(1.0 / sq);
            ca[i] = static_cast<float>(kAliasC[i] / sq);
        }
    }
};

}  // namespace

void reduceAliases(float x[kGranuleLines], int boundaries) {
    static const AliasTables t;
    if (boundaries > 31) boundaries = 31;
    for (int sb = 1; sb <= boundaries; ++sb) {
        float* lo = x + 18 * sb - 1;
        float* hi = x + 18 * sb;
        for (int i = 0; i < 8; ++i) {
            const float a = lo[-i], b = hi[i];
            lo[-i] = a * t.cs[i] - b * t.ca[i];
            hi[i] = b * t.cs[i] + a * t.ca[i];
        }
    }
}

}  // namespace layer3
