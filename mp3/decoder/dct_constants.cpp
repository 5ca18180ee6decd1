#include "mp3/decoder/dct_constants.h"

#include <cmath>

namespace decoder {

namespace {

struct DctConstants {
    float values[kDctConstantCount];
    DctConstants() {
        int at = 0;
        for (int n = 32; n >= 2; n /= 2)
            for (int k = 0; k < n / 2; ++k)
                values[at++] = static_cast<float>(1.0 / (2.0 * std::cos((2 * k + 1) * M_PI / (2.0 * n))));
    }
};

const DctConstants g_constants;

}  // namespace

const float* dctConstants() { return g_constants.values; }

}  // namespace decoder
