#include "mp3/decoder/huffman_decoder.h"

#include <algorithm>
#include <cstring>

#include "mp3/decoder/huffman_tree_builder.h"

namespace layer3 {
namespace {

using tree_build::kLookupBits;
using tree_build::kLookupLeaf;

constexpr int kMaxCodeBits = 32;

// Walks the table's byte-pair tree over the bits of window (most significant first), starting
// with the compile-time lookup of its first bits. Returns the leaf's value byte and sets used to
// the code's length, or returns -1 (used = bits passed) when 32 bits reach no leaf.
inline int walkTree(const HuffmanTable& table, uint64_t window, int& used)
{
    const uint8_t(*tree)[2] = table.tree;
    const int length = static_cast<int>(table.treeLength);
    int p = 0;
    used = 0;
    if (table.lookup != nullptr) {
        const uint16_t e = table.lookup[window >> (64 - kLookupBits)];
        if (e & kLookupLeaf) {
            used = (e >> 8) & 15;
            return e & 0xFF;
        }
        p = e;
        used = kLookupBits;
        window <<= kLookupBits;
    }
    while (tree[p][0] != 0) {
        // 32 bits without a leaf means a corrupt code.
        if (used >= kMaxCodeBits)
            return -1;
        const int bit = static_cast<int>(window >> 63);
        window <<= 1;
        ++used;
        while (tree[p][bit] >= kHopDistance)
            p += tree[p][bit];
        p += tree[p][bit];
        if (p >= length)
            return -1;  // cannot happen with the built tables; keeps a bad table in bounds
    }
    return tree[p][1];
}

// Takes n bits (n <= 13 here) off the top of window.
inline int take(uint64_t& window, int& used, int n)
{
    const int v = static_cast<int>(window >> (64 - n));
    window <<= n;
    used += n;
    return v;
}

inline int applySign(uint64_t& window, int& used, int v)
{
    if (v == 0)
        return 0;
    const bool negative = (window >> 63) != 0;
    window <<= 1;
    ++used;
    return negative ? -v : v;
}

}  // namespace

// A pair needs at most 19 code bits + 2 x (13 linbits + sign) = 47 bits: one 64-bit window
// (57 valid bits) holds it.
bool decodePair(BitReservoir& bits, const HuffmanTable& table, int& x, int& y)
{
    if (table.treeLength == 0) {
        x = y = 0;
        return true;
    }
    uint64_t window = bits.peek64();
    int used = 0;
    const int leaf = walkTree(table, window, used);
    if (leaf < 0) {
        bits.skip(used);
        return false;
    }
    window <<= used;
    int vx = leaf >> 4, vy = leaf & 15;
    const int lin = static_cast<int>(table.linbits);
    if (lin && vx == 15)
        vx += take(window, used, lin);
    vx = applySign(window, used, vx);
    if (lin && vy == 15)
        vy += take(window, used, lin);
    vy = applySign(window, used, vy);
    bits.skip(used);
    x = vx;
    y = vy;
    return true;
}

bool decodeQuad(BitReservoir& bits, const HuffmanTable& table, int out[4])
{
    uint64_t window = bits.peek64();
    int used = 0;
    const int leaf = walkTree(table, window, used);
    if (leaf < 0) {
        bits.skip(used);
        return false;
    }
    window <<= used;
    for (int k = 0; k < 4; ++k)
        out[k] = applySign(window, used, (leaf >> (3 - k)) & 1);
    bits.skip(used);
    return true;
}

int decodeSpectrum(BitReservoir& bits, const GranuleInfo& g, const BandTable& bands, int endBit,
                   int32_t is[kGranuleLines])
{
    // big_values above 288 would run past line 576: bounded to the granule.
    const int bigEnd = std::min(g.bigValues, kGranuleLines / 2) * 2;
    int region1, region2;
    if (g.shortBlocks()) {
        // Region 0 ends after three short bands (36 lines at every rate but 8 kHz, where the
        // short bands are twice as wide); in a mixed block after the 36 lines of the long part.
        region1 = g.mixedBlock ? 36 : 3 * bands.shortEdge[3];
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
        if (!decodeQuad(bits, quadTable, q))
            break;
        if (bits.position() > endBit)
            break;  // the last quadruple ran past the end: dropped
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
