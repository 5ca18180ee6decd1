#pragma once

#include <cstdint>

#include "mp3/stream/crc16_table.h"

// The 16-bit frame check word: polynomial 0x8005, register preset to 0xFFFF, bits fed most
// significant first. The header feeds its last 16 bits; the decoders feed the protected fields.
class Crc16 {
public:
    static constexpr uint16_t kInitial = 0xFFFF;

    // Feeds the low `bits` bits of data (0..32), most significant first, up to eight at a time.
    void addBits(uint32_t data, uint32_t bits)
    {
        if (bits > 32)
            return;
        while (bits > 0) {
            const uint32_t n = bits & 7 ? bits & 7 : 8;
            bits -= n;
            const uint32_t in = ((value_ >> (16 - n)) ^ (data >> bits)) & ((1u << n) - 1);
            value_ = uint16_t(value_ << n) ^ crc16::kTable.entry[in];
        }
    }
    uint16_t value() const { return value_; }
    void reset() { value_ = kInitial; }

private:
    uint16_t value_ = kInitial;
};
