#include "mp3/decoder/scale_factors.h"

#include "mp3/decoder/scalefactor_band_tables.h"

namespace layer3 {

namespace {

// n bits (none for a length of 0).
inline int read(BitReader& bits, int n)
{
    return n != 0 ? static_cast<int>(bits.get(static_cast<uint32_t>(n))) : 0;
}

}  // namespace

int mixedLongBands(bool mpeg1)
{
    return mpeg1 ? 8 : 6;
}

void readScaleFactorsMpeg1(BitReader& bits, const GranuleInfo& g, const int scfsi[4], int granule, ScaleFactors& sf)
{
    const int slen1 = kSlen1[g.scalefacCompress & 15];
    const int slen2 = kSlen2[g.scalefacCompress & 15];
    if (g.shortBlocks()) {
        int band = 0;
        if (g.mixedBlock) {
            for (; band < 8; ++band)
                sf.l[band] = read(bits, slen1);
            band = 3;
        }
        for (; band < 12; ++band) {
            const int len = band < 6 ? slen1 : slen2;
            for (int w = 0; w < 3; ++w)
                sf.s[w][band] = read(bits, len);
        }
        for (int w = 0; w < 3; ++w)
            sf.s[w][12] = 0;
        return;
    }
    static constexpr int kGroupStart[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
        if (granule == 1 && scfsi[group])
            continue;  // reuse granule 0's values
        const int len = group < 2 ? slen1 : slen2;
        for (int band = kGroupStart[group]; band < kGroupStart[group + 1]; ++band)
            sf.l[band] = read(bits, len);
    }
    sf.l[21] = 0;
    sf.l[22] = 0;
}

void readScaleFactorsMpeg2(BitReader& bits, GranuleInfo& g, bool intensityRight, ScaleFactors& sf)
{
    int slen[4] = {};
    int row = 0;
    const int sfc = g.scalefacCompress;
    if (intensityRight) {
        const int isc = sfc >> 1;
        if (isc < 180) {
            slen[0] = isc / 36;
            slen[1] = (isc % 36) / 6;
            slen[2] = (isc % 36) % 6;
            row = 3;
        } else if (isc < 244) {
            const int v = isc - 180;
            slen[0] = (v % 64) >> 4;
            slen[1] = (v % 16) >> 2;
            slen[2] = v % 4;
            row = 4;
        } else {
            const int v = isc - 244;
            slen[0] = v / 3;
            slen[1] = v % 3;
            row = 5;
        }
        g.preflag = 0;
    } else if (sfc < 400) {
        slen[0] = (sfc >> 4) / 5;
        slen[1] = (sfc >> 4) % 5;
        slen[2] = (sfc % 16) >> 2;
        slen[3] = sfc % 4;
        g.preflag = 0;
        row = 0;
    } else if (sfc < 500) {
        const int v = sfc - 400;
        slen[0] = (v >> 2) / 5;
        slen[1] = (v >> 2) % 5;
        slen[2] = v % 4;
        g.preflag = 0;
        row = 1;
    } else {
        const int v = sfc - 500;  // sfc has 9 bits, so v <= 11
        slen[0] = v / 3;
        slen[1] = v % 3;
        g.preflag = 1;
        row = 2;
    }
    const int kind = g.shortBlocks() ? (g.mixedBlock ? 2 : 1) : 0;
    int values[45] = {};
    int n = 0;
    for (int part = 0; part < 4; ++part) {
        for (int i = 0; i < kNrOfSfb[row][kind][part]; ++i)
            values[n++] = read(bits, slen[part]);
    }
    n = 0;
    if (kind == 0) {
        for (int band = 0; band < 21; ++band)
            sf.l[band] = values[n++];
        sf.l[21] = sf.l[22] = 0;
        return;
    }
    int band = 0;
    if (kind == 2) {
        const int longBands = mixedLongBands(false);
        for (; band < longBands; ++band)
            sf.l[band] = values[n++];
        band = 3;
    }
    for (; band < 12; ++band)
        for (int w = 0; w < 3; ++w)
            sf.s[w][band] = values[n++];
    for (int w = 0; w < 3; ++w)
        sf.s[w][12] = 0;
}

}  // namespace layer3
