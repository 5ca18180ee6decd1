#pragma once

#include <cstdint>

// The 34 Layer III Huffman table descriptors: "0".."31" for big values, "32" and "33" for count1.
namespace layer3 {

struct HuffmanTable {
    char name[4];
    uint32_t xlen;
    uint32_t ylen;
    uint32_t linbits;
    uint32_t linmax;
    int32_t sharedTree;      // table whose tree this one reuses, -1 for its own
    const uint16_t* lookup;  // level tables (huffman_lookup_builder.h), null for the empty tables 0, 4 and 14
    uint32_t rootBits;       // bits indexing the first level

    bool empty() const { return lookup == nullptr; }
};

constexpr int kHuffmanTableCount = 34;
constexpr int kCount1TableA = 32;

const HuffmanTable& huffmanTable(int index);  // index 0..33
bool isCount1Table(const HuffmanTable& table);

}  // namespace layer3
