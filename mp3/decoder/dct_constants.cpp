#include "mp3/decoder/dct_constants.h"

#include "mp3/decoder/cos_sixty_fourths.h"

namespace decoder {

namespace {

struct DctConstants {
    float values[kDctConstantCount];
};

// 1 / (2 cos((2k + 1) pi / (2n))) for n = 32, 16, ..., 2; the angle is (2k + 1) 32 / n sixty-fourths of pi.
constexpr DctConstants makeConstants()
{
    DctConstants c{};
    int at = 0;
    for (int n = 32; n >= 2; n /= 2)
        for (int k = 0; k < n / 2; ++k)
            c.values[at++] = static_cast<float>(1.0 / (2.0 * cosSixtyFourths((2 * k + 1) * 32 / n)));
    return c;
}

constexpr DctConstants kConstants = makeConstants();

}  // namespace

const float* dctConstants()
{
    return kConstants.values;
}

}  // namespace decoder
