#include "mp3/decoder/huffman_tables.h"

#include <cstring>

#include "mp3/decoder/huffman_lookup_builder.h"

namespace layer3 {
namespace {

using lookup_build::build;
using lookup_build::verify;

constexpr HuffmanLookup kBuilt1 = build(kCodeSets[0]), kBuilt2 = build(kCodeSets[1]), kBuilt3 = build(kCodeSets[2]);
constexpr HuffmanLookup kBuilt5 = build(kCodeSets[3]), kBuilt6 = build(kCodeSets[4]), kBuilt7 = build(kCodeSets[5]);
constexpr HuffmanLookup kBuilt8 = build(kCodeSets[6]), kBuilt9 = build(kCodeSets[7]), kBuilt10 = build(kCodeSets[8]);
constexpr HuffmanLookup kBuilt11 = build(kCodeSets[9]), kBuilt12 = build(kCodeSets[10]);
constexpr HuffmanLookup kBuilt13 = build(kCodeSets[11]), kBuilt15 = build(kCodeSets[12]);
constexpr HuffmanLookup kBuilt16 = build(kCodeSets[13]), kBuilt24 = build(kCodeSets[14]);
constexpr HuffmanLookup kBuiltA = build(kCodeSets[15]), kBuiltB = build(kCodeSets[16]);

// Every code of every list looks up to its own value and length: the lists are complete prefix
// codes and the tables cover them.
static_assert(verify(kBuilt1, kCodeSets[0]) && verify(kBuilt2, kCodeSets[1]) && verify(kBuilt3, kCodeSets[2]));
static_assert(verify(kBuilt5, kCodeSets[3]) && verify(kBuilt6, kCodeSets[4]) && verify(kBuilt7, kCodeSets[5]));
static_assert(verify(kBuilt8, kCodeSets[6]) && verify(kBuilt9, kCodeSets[7]) && verify(kBuilt10, kCodeSets[8]));
static_assert(verify(kBuilt11, kCodeSets[9]) && verify(kBuilt12, kCodeSets[10]));
static_assert(verify(kBuilt13, kCodeSets[11]) && verify(kBuilt15, kCodeSets[12]));
static_assert(verify(kBuilt16, kCodeSets[13]) && verify(kBuilt24, kCodeSets[14]));
static_assert(verify(kBuiltA, kCodeSets[15]) && verify(kBuiltB, kCodeSets[16]));

// The used part of a built table, so only that much goes into the library.
template<uint32_t N> struct Entries {
    uint16_t entry[N];
};
template<uint32_t N> constexpr Entries<N> trim(const HuffmanLookup& l)
{
    Entries<N> out{};
    for (uint32_t i = 0; i < N; ++i)
        out.entry[i] = l.entry[i];
    return out;
}
#define L3_ENTRIES(name, built) constexpr Entries<built.size> name = trim<built.size>(built)
L3_ENTRIES(kLook1, kBuilt1);
L3_ENTRIES(kLook2, kBuilt2);
L3_ENTRIES(kLook3, kBuilt3);
L3_ENTRIES(kLook5, kBuilt5);
L3_ENTRIES(kLook6, kBuilt6);
L3_ENTRIES(kLook7, kBuilt7);
L3_ENTRIES(kLook8, kBuilt8);
L3_ENTRIES(kLook9, kBuilt9);
L3_ENTRIES(kLook10, kBuilt10);
L3_ENTRIES(kLook11, kBuilt11);
L3_ENTRIES(kLook12, kBuilt12);
L3_ENTRIES(kLook13, kBuilt13);
L3_ENTRIES(kLook15, kBuilt15);
L3_ENTRIES(kLook16, kBuilt16);
L3_ENTRIES(kLook24, kBuilt24);
L3_ENTRIES(kLookA, kBuiltA);
L3_ENTRIES(kLookB, kBuiltB);
#undef L3_ENTRIES

constexpr uint32_t lin(uint32_t bits)
{
    return bits ? (1u << bits) - 1 : 0;
}

#define L3_TABLE(name, x, y, bits, shared, n)                                                                          \
    {                                                                                                                  \
        name, x, y, bits, lin(bits), shared, kLook##n.entry, kBuilt##n.rootBits                                        \
    }
#define L3_EMPTY(name)                                                                                                 \
    {                                                                                                                  \
        name, 0, 0, 0, 0, -1, nullptr, 0                                                                               \
    }

const HuffmanTable kTables[kHuffmanTableCount] = {
    L3_EMPTY("0"),
    L3_TABLE("1", 2, 2, 0, -1, 1),
    L3_TABLE("2", 3, 3, 0, -1, 2),
    L3_TABLE("3", 3, 3, 0, -1, 3),
    L3_EMPTY("4"),
    L3_TABLE("5", 4, 4, 0, -1, 5),
    L3_TABLE("6", 4, 4, 0, -1, 6),
    L3_TABLE("7", 6, 6, 0, -1, 7),
    L3_TABLE("8", 6, 6, 0, -1, 8),
    L3_TABLE("9", 6, 6, 0, -1, 9),
    L3_TABLE("10", 8, 8, 0, -1, 10),
    L3_TABLE("11", 8, 8, 0, -1, 11),
    L3_TABLE("12", 8, 8, 0, -1, 12),
    L3_TABLE("13", 16, 16, 0, -1, 13),
    L3_EMPTY("14"),
    L3_TABLE("15", 16, 16, 0, -1, 15),
    L3_TABLE("16", 16, 16, 1, -1, 16),
    L3_TABLE("17", 16, 16, 2, 16, 16),
    L3_TABLE("18", 16, 16, 3, 16, 16),
    L3_TABLE("19", 16, 16, 4, 16, 16),
    L3_TABLE("20", 16, 16, 6, 16, 16),
    L3_TABLE("21", 16, 16, 8, 16, 16),
    L3_TABLE("22", 16, 16, 10, 16, 16),
    L3_TABLE("23", 16, 16, 13, 16, 16),
    L3_TABLE("24", 16, 16, 4, -1, 24),
    L3_TABLE("25", 16, 16, 5, 24, 24),
    L3_TABLE("26", 16, 16, 6, 24, 24),
    L3_TABLE("27", 16, 16, 7, 24, 24),
    L3_TABLE("28", 16, 16, 8, 24, 24),
    L3_TABLE("29", 16, 16, 9, 24, 24),
    L3_TABLE("30", 16, 16, 11, 24, 24),
    L3_TABLE("31", 16, 16, 13, 24, 24),
    L3_TABLE("32", 1, 16, 0, -1, A),
    L3_TABLE("33", 1, 16, 0, -1, B),
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
