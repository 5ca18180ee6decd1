#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/tool/png_encoder.h"

namespace {

uint32_t be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint32_t crc32(const uint8_t* p, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// Every size gives a well-formed file: the signature, an IHDR of the size as 8-bit RGB, chunks
// whose lengths and CRCs hold, image data, and IEND last. An empty picture is refused.
TEST(PngEncoder, WellFormedFilesForEverySize)
{
    const std::array<std::array<uint32_t, 2>, 5> sizes = {{{1, 1}, {7, 3}, {300, 2}, {2, 300}, {64, 64}}};
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        std::vector<uint8_t> rgb(size_t(w) * h * 3);
        for (size_t i = 0; i < rgb.size(); ++i)
            rgb[i] = uint8_t(i * 7 + i / 3);
        std::vector<uint8_t> png;
        ASSERT_TRUE(platform::encodePng(w, h, rgb.data(), png));
        ASSERT_GT(png.size(), 8u + 25u + 12u);
        EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
        std::vector<std::string> chunks;
        size_t at = 8;
        while (at + 12 <= png.size()) {
            const uint32_t length = be32(&png[at]);
            ASSERT_LE(at + 12 + length, png.size());
            const std::string type(reinterpret_cast<const char*>(&png[at + 4]), 4);
            EXPECT_EQ(be32(&png[at + 8 + length]), crc32(&png[at + 4], length + 4)) << type;
            if (type == "IHDR") {
                EXPECT_EQ(be32(&png[at + 8]), w);
                EXPECT_EQ(be32(&png[at + 12]), h);
                EXPECT_EQ(png[at + 16], 8);  // bits per channel
                EXPECT_EQ(png[at + 17], 2);  // RGB
                EXPECT_EQ(png[at + 20], 0);  // not interlaced
            }
            chunks.push_back(type);
            at += 12 + length;
        }
        EXPECT_EQ(at, png.size());
        ASSERT_FALSE(chunks.empty());
        EXPECT_EQ(chunks.front(), "IHDR");
        EXPECT_EQ(chunks.back(), "IEND");
        EXPECT_NE(std::find(chunks.begin(), chunks.end(), "IDAT"), chunks.end());
    }
    const uint8_t pixel[3] = {};
    std::vector<uint8_t> png{1};
    EXPECT_FALSE(platform::encodePng(0, 1, pixel, png));
    EXPECT_TRUE(png.empty());
    EXPECT_FALSE(platform::encodePng(1, 0, pixel, png));
    EXPECT_FALSE(platform::encodePng(1, 1, nullptr, png));
}

}  // namespace
