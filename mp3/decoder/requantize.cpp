#include "mp3/decoder/requantize.h"

#include <algorithm>
#include <cstring>

#include "mp3/decoder/requantize_avx2.h"

namespace layer3 {

const float* powerTable()
{
    return kPowerTables.power + kPowerTableMax;
}
const float* gainTable()
{
    return kPowerTables.gain;
}

void requantize(const int32_t is[kGranuleLines], int nonzero, const GranuleInfo& g, const ScaleFactors& sf,
                const BandTable& bands, bool mpeg1, float x[kGranuleLines], decoder::VectorPath path)
{
    const PowerTables& t = kPowerTables;
    const float* pow43 = t.power + kPowerTableMax;
    const float a = t.global[g.globalGain & 255];
    nonzero = std::clamp(nonzero, 0, kGranuleLines);
    const int shift = g.scalefacScale ? 1 : 0;
    // Huffman values are at most 15 + 2^13 - 1, inside the power table.
    const bool avx2 = path == decoder::VectorPath::Avx2 && decoder::vectorPathSupported(path);
    auto scaleLines = [&](int from, int to, float factor) {
        to = std::min(to, nonzero);
        if (avx2 && to > from) {
            scaleLinesAvx2(is + from, to - from, a, factor, pow43, x + from);
            return;
        }
        for (int i = from; i < to; ++i)
            x[i] = a * pow43[is[i]] * factor;
    };
    if (!g.shortBlocks() || g.mixedBlock) {
        const int longBands = g.shortBlocks() ? mixedLongBands(mpeg1) : 22;
        for (int b = 0; b < longBands && bands.longEdge[b] < nonzero; ++b) {
            const int pre = g.preflag ? kPretab[b] : 0;
            scaleLines(bands.longEdge[b], bands.longEdge[b + 1], t.gain[((sf.l[b] + pre) << shift) & 63]);
        }
    }
    if (g.shortBlocks()) {
        for (int b = g.mixedBlock ? 3 : 0; b < 13 && 3 * bands.shortEdge[b] < nonzero; ++b) {
            const int width = bands.shortEdge[b + 1] - bands.shortEdge[b];
            int start = 3 * bands.shortEdge[b];
            for (int w = 0; w < 3; ++w, start += width) {
                const int index = 4 * (g.subblockGain[w] & 7) + (sf.s[w][b] << shift);
                scaleLines(start, start + width, t.gain[index & 63]);
            }
        }
    }
    std::memset(x + nonzero, 0, sizeof(float) * static_cast<size_t>(kGranuleLines - nonzero));
}

}  // namespace layer3
