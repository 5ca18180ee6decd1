#include "mp3/decoder/huffman_decoder.h"

#include <algorithm>
#include <cstring>

namespace layer3 {
namespace {

// Walks the byte-pair tree from the bits at the read position. Returns the leaf's value byte, or
// -1 when 32 bits passed without reaching a leaf.
inline int walkTree(BitReservoir& bits, const HuffmanTable& table) {
    const uint8_t(*tree)[2] = table.tree;
    const int length = static_cast<int>(table.treeLength);
    uint32_t window = bits.peek32();
    int used = 0;
    int p = 0;
    // The level counter halves per bit; 32 halvings without a leaf means a corrupt code.
    for (uint32_t level = 1u << 31; tree[p][0] != 0; level >>= 1) {
        if (level == 0) {
            bits.skip(used);
            return -1;
        }
        const int bit = static_cast<int>(window >> 31);
        window <<= 1;
        ++used;
        while (tree[p][bit] >= kHopDistance) p += tree[p][bit];
        p += tree[p][bit];
        if (p >= length) {  // cannot happen with the built tables; keeps a bad table in bounds
            bits.skip(used);
            return -1;
        }
    }
    bits.skip(used);
    return tree[p][1];
}

inline int signed_(BitReservoir& bits, int v) { return (v && bits.readBit()) ? -v : v; }

}  // namespace

bool decodePair(BitReservoir& bits, const HuffmanTable& table, int& x, int& y) {
    if (table.treeLength == 0) {
        x = y = 0;
        return true;
    }
    const int leaf = walkTree(bits, table);
    if (leaf < 0) return false;
    int vx = leaf >> 4, vy = leaf & 15;
    if (table.linbits && vx == static_cast<int>(table.xlen) - 1) vx += static_cast<int>(bits.read(table.linbits));
    vx = signed_(bits, vx);
    if (table.linbits && vy == static_cast<int>(table.ylen) - 1) vy += static_cast<int>(bits.read(table.linbits));
    vy = signed_(bits, vy);
    x = vx;
    y = vy;
    return true;
}

bool decodeQuad(BitReservoir& bits, const HuffmanTable& table, int out[4]) {
    const int leaf = walkTree(bits, table);
    if (leaf < 0) return false;
    for (int k = 0; k < 4; ++k) out[k] = signed_(bits, (leaf >> (3 - k)) & 1);
    return true;
}

int decodeSpectrum(BitReservoir& bits, const GranuleInfo& g, const BandTable& bands, int endBit,
                   int32_t is[kGranuleLines]) {
    // big_values above 288 would run past line 576: bounded to the granule.
    const int bigEnd = std::min(g.bigValues, kGranuleLines / 2) * 2;
    int region1, region2;
    if (g.shortBlocks()) {
        region1 = 36;
        region2 = kGranuleLines;
    } else {
        // Region counts from the stream can point past the last band edge: bounded to edge 22.
        region1 = bands.longEdge[std::min(g.region0Count + 1, 22)];
        region2 = bands.longEdge[std::min(g.region0Count + g.region1Count + 2, 22)];
    }
    int i = 0;
    for (int region = 0; region < 3 && i < bigEnd; ++region) {
        const int stop = std::min(bigEnd, region == 0 ? region1 : region == 1 ? region2 : kGranuleLines);
        const HuffmanTable& table = huffmanTable(g.tableSelect[region] & 31);
        for (; i < stop; i += 2) {
            int x = 0, y = 0;
            decodePair(bits, table, x, y);
            is[i] = x;
            is[i + 1] = y;
        }
    }
    // A big-values part that already reads past the channel's end ends the channel here.
    const HuffmanTable& quadTable = huffmanTable(kCount1TableA + (g.count1TableSelect & 1));
    // count1 quadruples stop at line 576 whatever the remaining bits say.
    while (i + 4 <= kGranuleLines && bits.position() < endBit) {
        int q[4] = {};
        if (!decodeQuad(bits, quadTable, q)) break;
        if (bits.position() > endBit) break;  // the last quadruple ran past the end: dropped
        is[i] = q[0];
        is[i + 1] = q[1];
        is[i + 2] = q[2];
        is[i + 3] = q[3];
        i += 4;
    }
    std::memset(is + i, 0, sizeof(int32_t) * static_cast<size_t>(kGranuleLines - i));
    bits.setPosition(endBit);
    return i;
}

}  // namespace layer3
