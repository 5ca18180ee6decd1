#include "mp3/decoder/reorder.h"

#include <cstring>

namespace layer3 {

void reorderShort(const float in[kGranuleLines], const BandTable& bands, bool mixed, float out[kGranuleLines])
{
    int band = 0;
    if (mixed) {
        std::memcpy(out, in, sizeof(float) * 36);
        band = 3;
    }
    for (; band < 13; ++band) {
        const int width = bands.shortEdge[band + 1] - bands.shortEdge[band];
        const int base = 3 * bands.shortEdge[band];
        for (int w = 0; w < 3; ++w)
            for (int j = 0; j < width; ++j)
                out[base + 3 * j + w] = in[base + w * width + j];
    }
}

}  // namespace layer3
