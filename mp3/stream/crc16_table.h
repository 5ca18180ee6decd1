#pragma once

#include <cstdint>

// The frame check word's polynomial, 0x8005, and its remainders: entry b is b * x^16 mod the
// polynomial, the register change for up to eight bits b shifted in at once.
namespace crc16 {

constexpr uint16_t kPolynomial = 0x8005;

struct Table {
    uint16_t entry[256];
};

constexpr Table makeTable()
{
    Table t{};
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t r = b << 8;
        for (int k = 0; k < 8; ++k)
            r = (r & 0x8000) ? (r << 1) ^ kPolynomial : r << 1;
        t.entry[b] = static_cast<uint16_t>(r);
    }
    return t;
}

constexpr Table kTable = makeTable();

}  // namespace crc16
