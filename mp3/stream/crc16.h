#pragma once

#include <cstdint>

// The 16-bit frame check word: polynomial 0x8005, register preset to 0xFFFF, bits fed most
// significant first. The header feeds its last 16 bits; the decoders feed the protected fields.
class Crc16 {
public:
    static constexpr uint16_t kInitial = 0xFFFF;

    // Feeds the low `bits` bits of data (0..32), most significant first.
    void addBits(uint32_t data, uint32_t bits)
    {
        for (uint32_t i = bits; i-- > 0;) {
            const uint32_t in = (data >> i) & 1u;
            const uint32_t out = (value_ >> 15) & 1u;
            value_ = uint16_t(value_ << 1);
            if (in != out)
                value_ ^= 0x8005;
        }
    }
    uint16_t value() const { return value_; }
    void reset() { value_ = kInitial; }

private:
    uint16_t value_ = kInitial;
};
