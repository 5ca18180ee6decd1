#include <gtest/gtest.h>

#include <random>

#include "layer3_stream.h"
#include "mp3/decoder/bit_reservoir.h"
#include "mp3/decoder/huffman_code_tables.h"
#include "mp3/decoder/huffman_decoder.h"

namespace {

using namespace layer3;

int codeSetOf(int table)
{
    static const int kMap[16] = {-1, 0, 1, 2, -1, 3, 4, 5, 6, 7, 8, 9, 10, 11, -1, 12};
    if (table < 16)
        return kMap[table];
    if (table < 24)
        return 13;
    if (table < 32)
        return 14;
    return table == 32 ? 15 : 16;
}

// Writes value v of a big-value table: code, linbits, sign bits, as an encoder does.
void writePair(l3test::BitWriter& w, int table, int x, int y)
{
    const HuffmanTable& t = huffmanTable(table);
    if (t.empty())
        return;
    const HuffmanCodes& c = kCodeSets[codeSetOf(table)];
    const int ax = std::min(std::abs(x), 15), ay = std::min(std::abs(y), 15);
    const int idx = ax * static_cast<int>(c.ylen) + ay;
    w.put(c.code[idx], c.length[idx]);
    if (t.linbits && ax == 15)
        w.put(static_cast<uint32_t>(std::abs(x) - 15), static_cast<int>(t.linbits));
    if (x)
        w.put(x < 0, 1);
    if (t.linbits && ay == 15)
        w.put(static_cast<uint32_t>(std::abs(y) - 15), static_cast<int>(t.linbits));
    if (y)
        w.put(y < 0, 1);
}

void writeQuad(l3test::BitWriter& w, int table, const int q[4])
{
    const HuffmanCodes& c = kCodeSets[codeSetOf(table)];
    int idx = 0;
    for (int k = 0; k < 4; ++k)
        idx = idx << 1 | (q[k] != 0);
    w.put(c.code[idx], c.length[idx]);
    for (int k = 0; k < 4; ++k)
        if (q[k])
            w.put(q[k] < 0, 1);
}

struct Loaded {
    BitReservoir store;
    BitReader bits;
    int end = 0;
};

void load(Loaded& l, const l3test::BitWriter& w)
{
    const auto bytes = w.bytes();
    ASSERT_TRUE(l.store.appendFrame(bytes.data(), static_cast<int>(bytes.size()), 0));
    l.bits = l.store.reader();
    l.end = w.bits();
}

// Every big-value table and both count1 tables round-trip seeded random values, with linbits
// and signs, across the three regions; the read position ends at part2_3_length.
TEST(Layer3Huffman, RandomSpectraRoundTripThroughEveryTable)
{
    std::mt19937 rng(7);
    for (int table = 0; table < 32; ++table) {
        if (huffmanTable(table).empty() && table != 0 && table != 4 && table != 14)
            FAIL() << table;
        const HuffmanTable& t = huffmanTable(table);
        GranuleInfo g;
        g.bigValues = 200;
        g.tableSelect[0] = g.tableSelect[1] = g.tableSelect[2] = table;
        g.region0Count = 5;
        g.region1Count = 4;
        g.count1TableSelect = table & 1;
        const int maxAbs = t.empty() ? 0
            : t.linbits              ? 15 + static_cast<int>((1u << t.linbits) - 1)
                                     : static_cast<int>(t.xlen) - 1;
        std::uniform_int_distribution<int> value(-maxAbs, maxAbs), sign(0, 2);
        int32_t expect[kGranuleLines] = {};
        l3test::BitWriter w;
        for (int i = 0; i < 400; i += 2) {
            expect[i] = value(rng);
            expect[i + 1] = value(rng);
            writePair(w, table, expect[i], expect[i + 1]);
        }
        for (int i = 400; i < 480; i += 4) {
            int q[4];
            for (int k = 0; k < 4; ++k)
                q[k] = sign(rng) - 1;
            writeQuad(w, 32 + (table & 1), q);
            for (int k = 0; k < 4; ++k)
                expect[i + k] = q[k];
        }
        Loaded l;
        load(l, w);
        int32_t is[kGranuleLines];
        const int n = decodeSpectrum(l.bits, g, kBandTables[3], l.end, is);
        EXPECT_EQ(n, 480) << "table " << table;
        EXPECT_EQ(static_cast<int>(l.bits.position()), l.end);
        for (int i = 0; i < kGranuleLines; ++i)
            ASSERT_EQ(is[i], expect[i]) << "table " << table << " line " << i;
    }
}

// big_values 0 and no bits left after the scale factors give 576 zeros; empty tables read nothing.
TEST(Layer3Huffman, EmptyChannelAndEmptyTablesGiveZeros)
{
    GranuleInfo g;
    BitReservoir store;
    const uint8_t data[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_TRUE(store.appendFrame(data, 4, 0));
    BitReader bits = store.reader();
    int32_t is[kGranuleLines];
    std::fill(is, is + kGranuleLines, 9);
    EXPECT_EQ(decodeSpectrum(bits, g, kBandTables[3], 0, is), 0);
    for (int v : is)
        ASSERT_EQ(v, 0);

    g.bigValues = 100;
    g.tableSelect[0] = 0;
    g.tableSelect[1] = 4;
    g.tableSelect[2] = 14;
    g.region0Count = 3;
    g.region1Count = 3;
    bits.seek(0);
    decodeSpectrum(bits, g, kBandTables[3], 0, is);
    for (int v : is)
        ASSERT_EQ(v, 0);
    EXPECT_EQ(static_cast<int>(bits.position()), 0);
}

// A quadruple that runs past part2_3_length is dropped and the read position is set back to the
// channel's end, so the next channel starts at the right bit.
TEST(Layer3Huffman, CountOneOverrunIsDroppedAndPositionRestored)
{
    l3test::BitWriter w;
    const int q[4] = {1, -1, 1, 1};
    writeQuad(w, 32, q);
    const int end = w.bits() - 2;  // the channel ends inside the quadruple's sign bits
    w.put(0x5A5A, 16);
    Loaded l;
    load(l, w);
    GranuleInfo g;
    int32_t is[kGranuleLines];
    EXPECT_EQ(decodeSpectrum(l.bits, g, kBandTables[3], end, is), 0);
    EXPECT_EQ(static_cast<int>(l.bits.position()), end);
    for (int v : is)
        ASSERT_EQ(v, 0);
}

// Corrupt side information: big_values 511 (> 288), region counts past band 22 and a count1 part
// that claims bits beyond line 576. Decoding stays inside the 576 lines.
TEST(Layer3Huffman, CorruptCountsStayInsideTheGranule)
{
    l3test::BitWriter w;
    for (int i = 0; i < 3000; ++i)
        w.put(0, 8);  // table 1 code "1"... plus zeros: plenty of bits
    Loaded l;
    load(l, w);
    GranuleInfo g;
    g.bigValues = 511;
    g.region0Count = 15;
    g.region1Count = 7;
    g.tableSelect[0] = g.tableSelect[1] = g.tableSelect[2] = 24;
    int32_t is[kGranuleLines + 4];
    is[kGranuleLines] = is[kGranuleLines + 1] = 12345;
    const int n = decodeSpectrum(l.bits, g, kBandTables[3], l.end, is);
    EXPECT_LE(n, kGranuleLines);
    EXPECT_EQ(is[kGranuleLines], 12345);

    // count1 with all remaining bits: quadruples stop at line 576.
    g.bigValues = 1;
    l.bits.seek(0);
    EXPECT_LE(decodeSpectrum(l.bits, g, kBandTables[3], l.end, is), kGranuleLines);
    EXPECT_EQ(is[kGranuleLines], 12345);
    EXPECT_EQ(static_cast<int>(l.bits.position()), l.end);
}

}  // namespace
