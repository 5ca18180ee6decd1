#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "mp3/stream/byte_source.h"
#include "support/signal.h"

namespace {

// A file source answers any mix of small and large reads and moves exactly as the same bytes in
// memory do: its window of the file never shows stale or shifted bytes.
TEST(ByteSource, FileReadsEqualMemoryReadsOverRandomMoves)
{
    std::mt19937 rng(7);
    std::vector<uint8_t> bytes(200000);
    for (uint8_t& b : bytes)
        b = uint8_t(rng());
    const std::string path = testsig::tempPath("byte-source.bin");
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    auto file = openFileSource(path.c_str());
    auto memory = openMemorySource(bytes.data(), bytes.size());
    ASSERT_TRUE(file->isOpen());
    EXPECT_EQ(file->size(), int64_t(bytes.size()));
    std::vector<uint8_t> a(70000), b(70000);
    for (int step = 0; step < 2000; ++step) {
        const int kind = int(rng() % 4);
        if (kind == 0) {
            const int64_t to = int64_t(rng() % (bytes.size() + 100));
            ASSERT_EQ(file->seek(to, ByteSource::Origin::Begin), memory->seek(to, ByteSource::Origin::Begin));
        } else if (kind == 1) {
            const int64_t by = int64_t(rng() % 2000) - 1000;
            ASSERT_EQ(file->seek(by, ByteSource::Origin::Current), memory->seek(by, ByteSource::Origin::Current));
        } else {
            // Mostly small reads, now and then one larger than the window.
            const uint64_t n = kind == 2 ? rng() % 64 : rng() % a.size();
            const int64_t got = file->read(a.data(), n);
            ASSERT_EQ(got, memory->read(b.data(), n));
            ASSERT_TRUE(std::equal(a.begin(), a.begin() + got, b.begin()));
        }
        ASSERT_EQ(file->position(), memory->position());
    }
    EXPECT_EQ(file->seek(-1, ByteSource::Origin::Begin), -1);
    EXPECT_EQ(file->seek(-10, ByteSource::Origin::End), int64_t(bytes.size()) - 10);
    std::remove(path.c_str());
}

}  // namespace
