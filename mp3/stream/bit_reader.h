#pragma once

#include <cstdint>
#include <cstring>

// The bits of a byte array, each byte most significant bit first. The owner keeps kPadding zero
// bytes after the size bytes it hands over, so reads past the data give 0 bits and never touch
// memory beyond it. Two ways in over the same bytes:
// - in sequence, get(n) through a 64-bit cache refilled 32 bits at a time. A small value: a loop
//   that reads many fields takes a copy, which the compiler keeps in registers, and hands it back;
// - at any bit position, peek64At, for loops that keep the position in a register themselves.
class BitReader {
public:
    static constexpr uint32_t kPadding = 8;

    BitReader() = default;
    BitReader(const uint8_t* bytes, uint32_t size) : bytes_(bytes), size_(size) { }

    // Next n bits, n in 1..32 (the caller's guarantee), most significant first.
    uint32_t get(uint32_t n)
    {
        if (cached_ < n)
            refill();
        const auto value = static_cast<uint32_t>(cache_ >> (64 - n));
        cache_ <<= n;
        cached_ -= n;
        return value;
    }
    // Bits taken so far by get, or the position seek set.
    uint32_t position() const { return next_ * 32 - cached_; }
    // Moves the sequential position to bit.
    void seek(uint32_t bit)
    {
        next_ = bit / 32;
        cache_ = 0;
        cached_ = 0;
        if (bit % 32 != 0) {
            refill();
            cache_ <<= bit % 32;
            cached_ -= bit % 32;
        }
    }

    // The 64 bits from bit position bit, at least the first 57 of them the data's (zeros past the
    // data and for a negative bit).
    uint64_t peek64At(int bit) const
    {
        const auto byte = static_cast<uint32_t>(bit >> 3);
        if (bit < 0 || byte >= size_)
            return 0;
        uint64_t w;
        std::memcpy(&w, bytes_ + byte, sizeof(w));
        return __builtin_bswap64(w) << (bit & 7);
    }

private:
    // Appends the next 32 bits (zeros past the data) below the cached bits (fewer than 32).
    void refill()
    {
        uint32_t word = 0;
        if (next_ * 4 < size_) {
            std::memcpy(&word, bytes_ + next_ * 4, sizeof(word));
            word = __builtin_bswap32(word);
        }
        ++next_;
        cache_ |= static_cast<uint64_t>(word) << (32 - cached_);
        cached_ += 32;
    }

    const uint8_t* bytes_ = nullptr;
    uint32_t size_ = 0;
    uint64_t cache_ = 0;
    uint32_t cached_ = 0;
    uint32_t next_ = 0;
};
