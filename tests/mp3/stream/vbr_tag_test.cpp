#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mp3/stream/vbr_tag.h"

namespace {

// The first 156 bytes of a stream whose first frame carries a tag at pos.
std::vector<uint8_t> tagBytes(uint8_t b1, uint8_t b3, uint32_t pos, uint32_t flags, uint32_t frames, uint32_t bytes)
{
    std::vector<uint8_t> v(156, 0);
    v[0] = 0xFF;
    v[1] = b1;
    v[2] = 0x94;  // 48 kHz for MPEG-1, 24 kHz for MPEG-2
    v[3] = b3;
    std::memcpy(&v[pos], "Xing", 4);
    const uint32_t fields[3] = {flags, frames, bytes};
    for (int k = 0; k < 3; ++k)
        for (int b = 0; b < 4; ++b)
            v[pos + 4 + 4 * size_t(k) + size_t(b)] = uint8_t(fields[k] >> (24 - 8 * b));
    for (uint32_t i = 0; i < 100 && pos + 16 + i < 156; ++i)
        v[pos + 16 + i] = uint8_t(2 * i);
    return v;
}

TEST(VbrTag, FoundWhereTheSideInformationEndsForEachVersionAndMode)
{
    struct Case {
        uint8_t b1, b3;
        uint32_t pos;
        int32_t version, rate;
    } cases[] = {
        {0xFB, 0x00, 36, 1, 48000}, {0xFB, 0xC0, 21, 1, 48000}, {0xF3, 0x00, 21, 0, 24000}, {0xF3, 0xC0, 13, 0, 24000}};
    for (const Case& c : cases) {
        auto v = tagBytes(c.b1, c.b3, c.pos, 7, 1234, 567890);
        VbrInfo info;
        ASSERT_TRUE(parseVbrTag(v.data(), uint32_t(v.size()), info)) << int(c.pos);
        EXPECT_EQ(info.version, c.version);
        EXPECT_EQ(info.sampleRate, c.rate);
        EXPECT_EQ(info.frames, 1234);
        EXPECT_EQ(info.bytes, 567890);
        EXPECT_EQ(info.quality, -1);
        EXPECT_EQ(info.toc[50], 100);
        // The tag at the place of another mode is not found.
        auto shifted = tagBytes(c.b1, uint8_t(c.b3 ^ 0xC0), c.pos, 7, 1234, 567890);
        EXPECT_FALSE(parseVbrTag(shifted.data(), uint32_t(shifted.size()), info));
    }
}

TEST(VbrTag, ZeroOrMissingCountsMakeTheTagUnusable)
{
    VbrInfo info;
    auto noFrames = tagBytes(0xFB, 0x00, 36, 7, 0, 5000);
    EXPECT_FALSE(parseVbrTag(noFrames.data(), 156, info));
    auto noBytes = tagBytes(0xFB, 0x00, 36, 7, 100, 0);
    EXPECT_FALSE(parseVbrTag(noBytes.data(), 156, info));
    auto bytesFlagOff = tagBytes(0xFB, 0x00, 36, 1, 100, 5000);
    EXPECT_FALSE(parseVbrTag(bytesFlagOff.data(), 156, info));
    auto huge = tagBytes(0xFB, 0x00, 36, 3, 0x80000000u, 5000);
    EXPECT_FALSE(parseVbrTag(huge.data(), 156, info));
}

TEST(VbrTag, FieldsBeyondTheBytesReadAreNeverTouched)
{
    // The table of contents of a tag at 36 ends at byte 152; quality would end at 156.
    auto v = tagBytes(0xFB, 0x00, 36, 15, 100, 5000);
    VbrInfo info;
    EXPECT_TRUE(parseVbrTag(v.data(), 156, info));
    EXPECT_EQ(info.quality, 0);
    for (uint32_t count : {155u, 100u, 50u, 40u, 4u, 3u, 0u}) {
        // Copy into an exact-size buffer so that ASan sees any read past the count.
        std::vector<uint8_t> cut(v.begin(), v.begin() + count);
        EXPECT_FALSE(parseVbrTag(cut.data(), count, info)) << count;
    }
}

TEST(VbrTag, WithoutTableOfContentsTheTableIsLinear)
{
    auto v = tagBytes(0xFB, 0x00, 36, 3, 100, 5000);
    VbrInfo info;
    ASSERT_TRUE(parseVbrTag(v.data(), 156, info));
    EXPECT_EQ(info.toc[0], 0);
    EXPECT_EQ(info.toc[50], 128);
    EXPECT_EQ(info.toc[99], 253);
}

TEST(VbrTag, InfoTagOfConstantBitrateStreamsIsRead)
{
    auto v = tagBytes(0xFB, 0x00, 36, 7, 10, 4170);
    std::memcpy(&v[36], "Info", 4);
    VbrInfo info;
    EXPECT_TRUE(parseVbrTag(v.data(), 156, info));
    EXPECT_EQ(info.frames, 10);
    std::memcpy(&v[36], "Xinf", 4);
    EXPECT_FALSE(parseVbrTag(v.data(), 156, info));
}

}  // namespace
