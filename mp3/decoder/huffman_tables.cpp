#include "mp3/decoder/huffman_tables.h"

#include <cstring>

#include "mp3/decoder/huffman_tree_builder.h"

namespace layer3 {
namespace {

using tree_build::build;
using tree_build::verify;

constexpr BuiltTree kTree1 = build(kCodeSets[0]);
constexpr BuiltTree kTree2 = build(kCodeSets[1]);
constexpr BuiltTree kTree3 = build(kCodeSets[2]);
constexpr BuiltTree kTree5 = build(kCodeSets[3]);
constexpr BuiltTree kTree6 = build(kCodeSets[4]);
constexpr BuiltTree kTree7 = build(kCodeSets[5]);
constexpr BuiltTree kTree8 = build(kCodeSets[6]);
constexpr BuiltTree kTree9 = build(kCodeSets[7]);
constexpr BuiltTree kTree10 = build(kCodeSets[8]);
constexpr BuiltTree kTree11 = build(kCodeSets[9]);
constexpr BuiltTree kTree12 = build(kCodeSets[10]);
constexpr BuiltTree kTree13 = build(kCodeSets[11]);
constexpr BuiltTree kTree15 = build(kCodeSets[12]);
constexpr BuiltTree kTree16 = build(kCodeSets[13]);
constexpr BuiltTree kTree24 = build(kCodeSets[14]);
constexpr BuiltTree kTreeA = build(kCodeSets[15]);
constexpr BuiltTree kTreeB = build(kCodeSets[16]);

// Every code decodes through its tree to its own value: the code lists are complete prefix codes
// and the layout keeps every distance within the format.
static_assert(verify(kTree1, kCodeSets[0]) && verify(kTree2, kCodeSets[1]) && verify(kTree3, kCodeSets[2]));
static_assert(verify(kTree5, kCodeSets[3]) && verify(kTree6, kCodeSets[4]) && verify(kTree7, kCodeSets[5]));
static_assert(verify(kTree8, kCodeSets[6]) && verify(kTree9, kCodeSets[7]) && verify(kTree10, kCodeSets[8]));
static_assert(verify(kTree11, kCodeSets[9]) && verify(kTree12, kCodeSets[10]));
static_assert(verify(kTree13, kCodeSets[11]) && verify(kTree15, kCodeSets[12]));
static_assert(verify(kTree16, kCodeSets[13]) && verify(kTree24, kCodeSets[14]));
static_assert(verify(kTreeA, kCodeSets[15]) && verify(kTreeB, kCodeSets[16]));

using tree_build::buildLookup;
using tree_build::TreeLookup;
constexpr TreeLookup kLook1 = buildLookup(kTree1), kLook2 = buildLookup(kTree2), kLook3 = buildLookup(kTree3);
constexpr TreeLookup kLook5 = buildLookup(kTree5), kLook6 = buildLookup(kTree6), kLook7 = buildLookup(kTree7);
constexpr TreeLookup kLook8 = buildLookup(kTree8), kLook9 = buildLookup(kTree9), kLook10 = buildLookup(kTree10);
constexpr TreeLookup kLook11 = buildLookup(kTree11), kLook12 = buildLookup(kTree12), kLook13 = buildLookup(kTree13);
constexpr TreeLookup kLook15 = buildLookup(kTree15), kLook16 = buildLookup(kTree16), kLook24 = buildLookup(kTree24);
constexpr TreeLookup kLookA = buildLookup(kTreeA), kLookB = buildLookup(kTreeB);

constexpr uint32_t lin(uint32_t bits)
{
    return bits ? (1u << bits) - 1 : 0;
}

#define L3_TABLE(name, x, y, bits, shared, t, look)                                                                    \
    {                                                                                                                  \
        name, x, y, bits, lin(bits), shared, t.pair, t.length, look.entry                                              \
    }
#define L3_EMPTY(name)                                                                                                 \
    {                                                                                                                  \
        name, 0, 0, 0, 0, -1, nullptr, 0, nullptr                                                                      \
    }

const HuffmanTable kTables[kHuffmanTableCount] = {
    L3_EMPTY("0"),
    L3_TABLE("1", 2, 2, 0, -1, kTree1, kLook1),
    L3_TABLE("2", 3, 3, 0, -1, kTree2, kLook2),
    L3_TABLE("3", 3, 3, 0, -1, kTree3, kLook3),
    L3_EMPTY("4"),
    L3_TABLE("5", 4, 4, 0, -1, kTree5, kLook5),
    L3_TABLE("6", 4, 4, 0, -1, kTree6, kLook6),
    L3_TABLE("7", 6, 6, 0, -1, kTree7, kLook7),
    L3_TABLE("8", 6, 6, 0, -1, kTree8, kLook8),
    L3_TABLE("9", 6, 6, 0, -1, kTree9, kLook9),
    L3_TABLE("10", 8, 8, 0, -1, kTree10, kLook10),
    L3_TABLE("11", 8, 8, 0, -1, kTree11, kLook11),
    L3_TABLE("12", 8, 8, 0, -1, kTree12, kLook12),
    L3_TABLE("13", 16, 16, 0, -1, kTree13, kLook13),
    L3_EMPTY("14"),
    L3_TABLE("15", 16, 16, 0, -1, kTree15, kLook15),
    L3_TABLE("16", 16, 16, 1, -1, kTree16, kLook16),
    L3_TABLE("17", 16, 16, 2, 16, kTree16, kLook16),
    L3_TABLE("18", 16, 16, 3, 16, kTree16, kLook16),
    L3_TABLE("19", 16, 16, 4, 16, kTree16, kLook16),
    L3_TABLE("20", 16, 16, 6, 16, kTree16, kLook16),
    L3_TABLE("21", 16, 16, 8, 16, kTree16, kLook16),
    L3_TABLE("22", 16, 16, 10, 16, kTree16, kLook16),
    L3_TABLE("23", 16, 16, 13, 16, kTree16, kLook16),
    L3_TABLE("24", 16, 16, 4, -1, kTree24, kLook24),
    L3_TABLE("25", 16, 16, 5, 24, kTree24, kLook24),
    L3_TABLE("26", 16, 16, 6, 24, kTree24, kLook24),
    L3_TABLE("27", 16, 16, 7, 24, kTree24, kLook24),
    L3_TABLE("28", 16, 16, 8, 24, kTree24, kLook24),
    L3_TABLE("29", 16, 16, 9, 24, kTree24, kLook24),
    L3_TABLE("30", 16, 16, 11, 24, kTree24, kLook24),
    L3_TABLE("31", 16, 16, 13, 24, kTree24, kLook24),
    L3_TABLE("32", 1, 16, 0, -1, kTreeA, kLookA),
    L3_TABLE("33", 1, 16, 0, -1, kTreeB, kLookB),
};

#undef L3_TABLE
#undef L3_EMPTY

}  // namespace

const HuffmanTable& huffmanTable(int index)
{
    return kTables[static_cast<unsigned>(index) < kHuffmanTableCount ? index : 0];
}

bool isCount1Table(const HuffmanTable& table)
{
    return std::strcmp(table.name, "32") == 0 || std::strcmp(table.name, "33") == 0;
}

}  // namespace layer3
