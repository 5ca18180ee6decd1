#pragma once

#include <cstdint>

// The bits of an array of 32-bit words, each most significant bit first, read through a 64-bit
// cache that is refilled a word at a time; reads past the words give 0. A small value: a loop
// that reads many fields takes a copy, which the compiler keeps in registers, and hands it back.
class BitCache {
public:
    BitCache() = default;
    BitCache(const uint32_t* words, uint32_t count) : words_(words), count_(count) { }

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
    // Bits taken so far.
    uint32_t bitsRead() const { return next_ * 32 - cached_; }
    // Whether the position is on a byte boundary with nothing cached: words can be taken whole.
    bool onWord() const { return cached_ == 0; }
    bool onByte() const { return (cached_ & 7) == 0; }
    // Whether words remain to be taken whole, and the next of them (only when onWord() and
    // wordsLeft()).
    bool wordsLeft() const { return next_ < count_; }
    uint32_t takeWord() { return words_[next_++]; }

private:
    // Appends the next word (0 past the end) below the cached bits (fewer than 32).
    void refill()
    {
        const uint64_t word = next_ < count_ ? words_[next_] : 0;
        ++next_;
        cache_ |= word << (32 - cached_);
        cached_ += 32;
    }

    const uint32_t* words_ = nullptr;
    uint32_t count_ = 0;
    uint64_t cache_ = 0;
    uint32_t cached_ = 0;
    uint32_t next_ = 0;
};
