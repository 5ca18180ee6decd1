#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "mp3/stream/bit_reader.h"

namespace {

// Bit i of bytes (most significant first), 0 past size.
uint32_t bitAt(const std::vector<uint8_t>& bytes, uint32_t size, uint64_t i)
{
    return i / 8 < size ? (bytes[i / 8] >> (7 - i % 8)) & 1 : 0;
}

// Random fields of 1..32 bits read in sequence, with jumps to random positions (some past the
// data), give the bits one by one would, and so do the 57 bits the positioned form gives there,
// for data sizes on and off word boundaries.
TEST(BitReader, BothFormsGiveTheArraysBitsAndZerosPastIt)
{
    std::mt19937 rng(21);
    for (uint32_t size : {0u, 1u, 3u, 4u, 5u, 31u, 64u, 257u}) {
        std::vector<uint8_t> bytes(size + BitReader::kPadding, 0);
        for (uint32_t i = 0; i < size; ++i)
            bytes[i] = static_cast<uint8_t>(rng());
        BitReader bits(bytes.data(), size);
        uint64_t at = 0;
        for (int step = 0; step < 2000; ++step) {
            if (rng() % 16 == 0) {
                at = rng() % (8 * size + 80);
                bits.seek(static_cast<uint32_t>(at));
            }
            ASSERT_EQ(bits.position(), at);
            const uint64_t peek = bits.peek64At(static_cast<int>(at));
            for (uint32_t k = 0; k < 57; ++k)
                ASSERT_EQ((peek >> (63 - k)) & 1, bitAt(bytes, size, at + k)) << size << " at " << at;
            const uint32_t n = 1 + rng() % 32;
            uint32_t want = 0;
            for (uint32_t k = 0; k < n; ++k)
                want = want << 1 | bitAt(bytes, size, at + k);
            ASSERT_EQ(bits.get(n), want) << size << " at " << at << " n " << n;
            at += n;
        }
    }
    EXPECT_EQ(BitReader(nullptr, 0).peek64At(-3), 0u);
}

}  // namespace
