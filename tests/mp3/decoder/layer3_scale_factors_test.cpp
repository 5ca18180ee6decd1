#include <gtest/gtest.h>

#include "layer3_stream.h"
#include "mp3/decoder/bit_reservoir.h"
#include "mp3/decoder/scale_factors.h"

namespace {

using namespace layer3;

// The written bits stored in a reservoir, and a reader at their first.
BitReader load(BitReservoir& store, const l3test::BitWriter& w)
{
    const auto bytes = w.bytes(64);
    EXPECT_TRUE(store.appendFrame(bytes.data(), static_cast<int>(bytes.size()), 0));
    return store.reader();
}

// Long blocks: bands 0..10 with slen1, 11..20 with slen2; in granule 1 a group with scfsi set
// keeps granule 0's values and reads no bits.
TEST(Layer3ScaleFactors, Mpeg1LongBlocksAndScfsi)
{
    GranuleInfo g;
    g.scalefacCompress = 13;  // slen1 3, slen2 3
    l3test::BitWriter w;
    for (int b = 0; b < 21; ++b)
        w.put(static_cast<uint32_t>(b % 8), 3);
    for (int b = 6; b < 11; ++b)
        w.put(7, 3);  // granule 1: group 1 only
    BitReservoir store_r;
    BitReader r = load(store_r, w);
    ScaleFactors sf;
    const int none[4] = {0, 0, 0, 0};
    readScaleFactorsMpeg1(r, g, none, 0, sf);
    for (int b = 0; b < 21; ++b)
        ASSERT_EQ(sf.l[b], b % 8);
    EXPECT_EQ(sf.l[21], 0);
    const int scfsi[4] = {1, 0, 1, 1};
    readScaleFactorsMpeg1(r, g, scfsi, 1, sf);
    EXPECT_EQ(static_cast<int>(r.position()), 21 * 3 + 5 * 3);
    for (int b = 0; b < 21; ++b)
        ASSERT_EQ(sf.l[b], b >= 6 && b < 11 ? 7 : b % 8) << b;
}

// Mixed blocks: long bands 0..7 with slen1, short bands 3..5 with slen1, 6..11 with slen2.
TEST(Layer3ScaleFactors, Mpeg1MixedBlocks)
{
    GranuleInfo g;
    g.windowSwitching = 1;
    g.blockType = 2;
    g.mixedBlock = 1;
    g.scalefacCompress = 8;  // slen1 2, slen2 1
    l3test::BitWriter w;
    for (int b = 0; b < 8; ++b)
        w.put(static_cast<uint32_t>(b & 3), 2);
    for (int b = 3; b < 12; ++b)
        for (int win = 0; win < 3; ++win)
            w.put(b < 6 ? static_cast<uint32_t>(win + 1) : 1u, b < 6 ? 2 : 1);
    BitReservoir store_r;
    BitReader r = load(store_r, w);
    ScaleFactors sf;
    const int none[4] = {};
    readScaleFactorsMpeg1(r, g, none, 0, sf);
    EXPECT_EQ(static_cast<int>(r.position()), 8 * 2 + 9 * 2 + 18 * 1);
    EXPECT_EQ(sf.l[7], 3);
    EXPECT_EQ(sf.s[2][5], 3);
    EXPECT_EQ(sf.s[0][11], 1);
    EXPECT_EQ(sf.s[1][12], 0);
}

// MPEG-2: scalefac_compress picks the slen values and the partition row; row 2 sets preflag; the
// intensity-coded right channel uses rows 3..5. Mixed blocks hold the long bands that end by
// line 36 (six at these rates), then short bands 3..11.
TEST(Layer3ScaleFactors, Mpeg2PartitionsAndRows)
{
    GranuleInfo g;
    g.scalefacCompress = 500 + 2 * 3 + 1;  // row 2: slen 2, 1
    l3test::BitWriter w;
    for (int i = 0; i < 11; ++i)
        w.put(3, 2);
    for (int i = 0; i < 10; ++i)
        w.put(1, 1);
    BitReservoir store_r;
    BitReader r = load(store_r, w);
    ScaleFactors sf;
    readScaleFactorsMpeg2(r, g, false, sf);
    EXPECT_EQ(g.preflag, 1);
    EXPECT_EQ(static_cast<int>(r.position()), 11 * 2 + 10);
    EXPECT_EQ(sf.l[10], 3);
    EXPECT_EQ(sf.l[11], 1);
    EXPECT_EQ(sf.l[20], 1);

    // Intensity right channel, scalefac_compress / 2 = 37: row 3 with slen 1, 0, 1.
    GranuleInfo right;
    right.scalefacCompress = 74;
    right.preflag = 1;
    l3test::BitWriter wi;
    for (int i = 0; i < 7; ++i)
        wi.put(1, 1);
    for (int i = 0; i < 7; ++i)
        wi.put(1, 1);
    BitReservoir store_ri;
    BitReader ri = load(store_ri, wi);
    readScaleFactorsMpeg2(ri, right, true, sf);
    EXPECT_EQ(right.preflag, 0);
    EXPECT_EQ(static_cast<int>(ri.position()), 7 + 7);
    EXPECT_EQ(sf.l[6], 1);
    EXPECT_EQ(sf.l[7], 0);
    EXPECT_EQ(sf.l[14], 1);

    // Mixed block, row 0 (slen 1, 1, 1, 1): 6 long values, then short bands 3..11.
    GranuleInfo mixed;
    mixed.windowSwitching = 1;
    mixed.blockType = 2;
    mixed.mixedBlock = 1;
    mixed.scalefacCompress = (5 + 1) * 16 + 4 + 1;  // slen 1, 1, 1, 1
    l3test::BitWriter wm;
    for (int i = 0; i < 33; ++i)
        wm.put(i < 6 ? 1u : 0u, 1);
    BitReservoir store_rm;
    BitReader rm = load(store_rm, wm);
    ScaleFactors ms;
    readScaleFactorsMpeg2(rm, mixed, false, ms);
    EXPECT_EQ(static_cast<int>(rm.position()), 33);
    for (int b = 0; b < 6; ++b)
        EXPECT_EQ(ms.l[b], 1);
    EXPECT_EQ(ms.l[6], 0);
    EXPECT_EQ(ms.s[0][3], 0);
    EXPECT_EQ(mixedLongBands(false), 6);
    EXPECT_EQ(mixedLongBands(true), 8);
}

}  // namespace
