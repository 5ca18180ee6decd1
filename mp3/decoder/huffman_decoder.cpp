#include "mp3/decoder/huffman_decoder.h"

#include <algorithm>
#include <cstring>

#include "mp3/decoder/huffman_lookup_builder.h"

namespace layer3 {
namespace {

// Looks up the code at the top of window through the table's levels, takes its bits off the
// window and adds them to used; returns the value (x << 4 | y, or vwxy for count1).
inline uint32_t lookUpCode(const HuffmanTable& table, uint64_t& window, int& used)
{
    uint32_t bits = table.rootBits;
    uint32_t e = table.lookup[window >> (64 - bits)];
    while (e & kLookupLink) {
        window <<= bits;
        used += static_cast<int>(bits);
        bits = ((e >> 12) & 7) + 1;
        e = table.lookup[(e & 0xFFF) + (window >> (64 - bits))];
    }
    const uint32_t length = (e >> 8) & 15;
    window <<= length;
    used += static_cast<int>(length);
    return e & 0xFF;
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

// The four lines of a count1 code value vwxy (v first) with their signs applied: for each value
// and the four stream bits after its code, the lines and the sign bits they take (one per
// non-zero line, in line order).
struct SignedQuad {
    int32_t lines[4] = {};
    uint32_t signBits = 0;
};

struct SignedQuadTable {
    SignedQuad entry[16][16];
    constexpr SignedQuadTable() : entry()
    {
        for (int value = 0; value < 16; ++value) {
            for (int next = 0; next < 16; ++next) {
                SignedQuad& q = entry[value][next];
                int bit = 3;
                for (int k = 0; k < 4; ++k) {
                    if (((value >> (3 - k)) & 1) != 0) {
                        q.lines[k] = ((next >> bit) & 1) != 0 ? -1 : 1;
                        --bit;
                        ++q.signBits;
                    }
                }
            }
        }
    }
};

constexpr SignedQuadTable kSignedQuads{};

// Decodes the pairs of lines [i, stop) with a non-empty table from bit pos; returns the new pos.
// A pair needs at most 19 code bits + 2 x (13 linbits + sign) = 47 bits, 21 without linbits; a
// 64-bit window holds at least 57 valid bits, so it is read again only when fewer than a pair's
// most are left. Tables with and without linbits get a loop each.
template<bool Linbits>
int decodePairsOf(const BitReader& bits, const HuffmanTable& table, int pos, int i, int stop, int32_t* is)
{
    const int lin = static_cast<int>(table.linbits);
    constexpr int kMost = Linbits ? 47 : 21;
    constexpr int kValid = 57;
    uint64_t window = bits.peek64At(pos);
    int used = 0;
    for (; i < stop; i += 2) {
        if (used > kValid - kMost) {
            pos += used;
            used = 0;
            window = bits.peek64At(pos);
        }
        const uint32_t leaf = lookUpCode(table, window, used);
        int vx = static_cast<int>(leaf >> 4), vy = static_cast<int>(leaf & 15);
        if (Linbits && vx == 15)
            vx += take(window, used, lin);
        vx = applySign(window, used, vx);
        if (Linbits && vy == 15)
            vy += take(window, used, lin);
        vy = applySign(window, used, vy);
        is[i] = vx;
        is[i + 1] = vy;
    }
    return pos + used;
}

int decodePairs(const BitReader& bits, const HuffmanTable& table, int pos, int i, int stop, int32_t* is)
{
    return table.linbits != 0 ? decodePairsOf<true>(bits, table, pos, i, stop, is)
                              : decodePairsOf<false>(bits, table, pos, i, stop, is);
}

}  // namespace

int decodeSpectrum(BitReader& bits, const GranuleInfo& g, const BandTable& bands, int endBit, int32_t is[kGranuleLines])
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
    int pos = static_cast<int>(bits.position());
    int i = 0;
    for (int region = 0; region < 3 && i < bigEnd; ++region) {
        const int stop = std::min(bigEnd, region == 0 ? region1 : region == 1 ? region2 : kGranuleLines);
        if (i >= stop)
            continue;
        const HuffmanTable& table = huffmanTable(g.tableSelect[region] & 31);
        if (table.empty())
            std::fill(is + i, is + stop + (stop & 1), 0);
        else
            pos = decodePairs(bits, table, pos, i, stop, is);
        i = stop + (stop & 1);
    }
    // A big-values part that already reads past the channel's end ends the channel here.
    const HuffmanTable& quadTable = huffmanTable(kCount1TableA + (g.count1TableSelect & 1));
    // count1 quadruples stop at line 576 whatever the remaining bits say. One takes at most 6
    // code and 4 sign bits; the window is read again when fewer are left.
    constexpr int kValid = 57, kMostQuadBits = 10;
    uint64_t window = bits.peek64At(pos);
    int taken = 0;  // bits taken from window since it was read
    while (i + 4 <= kGranuleLines && pos < endBit) {
        if (taken > kValid - kMostQuadBits) {
            window = bits.peek64At(pos);
            taken = 0;
        }
        int used = 0;
        const uint32_t leaf = lookUpCode(quadTable, window, used);
        const SignedQuad& q = kSignedQuads.entry[leaf & 15][window >> 60];
        window <<= q.signBits;
        used += static_cast<int>(q.signBits);
        taken += used;
        pos += used;
        if (pos > endBit)
            break;  // the last quadruple ran past the end: dropped
        std::memcpy(is + i, q.lines, sizeof q.lines);
        i += 4;
    }
    std::memset(is + i, 0, sizeof(int32_t) * static_cast<size_t>(kGranuleLines - i));
    bits.seek(static_cast<uint32_t>(endBit));
    return i;
}

}  // namespace layer3
