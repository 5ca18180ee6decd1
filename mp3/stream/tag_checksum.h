#pragma once

#include <cstddef>
#include <cstdint>

// The checksum an encoder's extension of the VBR tag carries over the bytes of its frame before
// it: a 16-bit CRC with the polynomial 0x8005 fed least significant bit first (reflected, 0xA001),
// register preset to 0. Not the frame check word's form (that one is fed most significant first
// from 0xFFFF).
namespace tag_checksum {

struct Table {
    uint16_t entry[256];
};

constexpr Table makeTable()
{
    Table t{};
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t r = b;
        for (int k = 0; k < 8; ++k)
            r = (r & 1) ? (r >> 1) ^ 0xA001u : r >> 1;
        t.entry[b] = static_cast<uint16_t>(r);
    }
    return t;
}

constexpr Table kTable = makeTable();

inline uint16_t of(const uint8_t* bytes, size_t n)
{
    uint32_t r = 0;
    for (size_t i = 0; i < n; ++i)
        r = (r >> 8) ^ kTable.entry[(r ^ bytes[i]) & 0xFF];
    return static_cast<uint16_t>(r);
}

}  // namespace tag_checksum
