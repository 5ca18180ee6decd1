#include <gtest/gtest.h>

#include <random>

#include "layer3_stream.h"

namespace {

using namespace layer3;
using l3test::CaptureSink;
using l3test::GranuleFields;

// A mono MPEG-1 frame whose two granules each take half of the random main data.
struct Frame {
    std::vector<uint8_t> side;
    std::vector<uint8_t> main;
};

Frame randomFrame(uint32_t seed, int mainBytes, int mainDataBegin = 0, int blockType = 0)
{
    std::mt19937 rng(seed);
    GranuleFields g;
    g.part23Length = (mainBytes + mainDataBegin) * 8 / 2;
    g.bigValues = 150;
    g.globalGain = 140;
    g.scalefacCompress = 5;
    g.tableSelect[0] = 7;
    g.tableSelect[1] = 13;
    g.tableSelect[2] = 24;
    g.region0 = 6;
    g.region1 = 4;
    if (blockType) {
        g.windowSwitching = 1;
        g.blockType = blockType;
    }
    Frame f;
    f.side = l3test::monoSideInfo(mainDataBegin, g);
    f.main.resize(static_cast<size_t>(mainBytes));
    for (auto& b : f.main)
        b = static_cast<uint8_t>(rng());
    return f;
}

FrameResult decode(Layer3Decoder& dec, const Frame& f, GranuleSink& sink)
{
    return dec.decodeFrame(l3test::monoFormat(), f.side.data(), f.side.size(), f.main.data(),
                           static_cast<int>(f.main.size()), 0, 0, sink);
}

bool allZero(const std::vector<float>& v)
{
    for (float x : v)
        if (x != 0.0f)
            return false;
    return true;
}

// Main data reaching back before the reservoir (first frame, or first after a reset): that frame
// plays as silence, so the stream keeps its length; the following frames decode.
TEST(Layer3Decoder, MainDataBeforeTheReservoirPlaysThatFrameAsSilence)
{
    Layer3Decoder dec;
    CaptureSink sink;
    const auto silent = [&sink](size_t from) {
        for (size_t i = from; i < sink.blocks[0].size(); ++i)
            if (!allZero(sink.blocks[0][i]))
                return false;
        return true;
    };
    EXPECT_EQ(decode(dec, randomFrame(1, 300, 20), sink), FrameResult::Decoded);
    EXPECT_EQ(sink.count(), 2u);
    EXPECT_TRUE(silent(0));
    EXPECT_EQ(decode(dec, randomFrame(2, 300, 20), sink), FrameResult::Decoded);
    EXPECT_EQ(sink.count(), 4u);
    EXPECT_FALSE(silent(2));
    dec.reset();
    EXPECT_EQ(decode(dec, randomFrame(3, 300, 20), sink), FrameResult::Decoded);
    EXPECT_TRUE(silent(4));
    EXPECT_EQ(decode(dec, randomFrame(4, 300, 0), sink), FrameResult::Decoded);
}

// Window switching with the forbidden block type 0 drops the frame.
TEST(Layer3Decoder, ForbiddenBlockTypeDropsTheFrame)
{
    Layer3Decoder dec;
    CaptureSink sink;
    Frame bad = randomFrame(5, 200);
    GranuleFields g;
    g.windowSwitching = 1;
    g.blockType = 0;
    bad.side = l3test::monoSideInfo(0, g);
    EXPECT_EQ(decode(dec, bad, sink), FrameResult::Skipped);
    EXPECT_EQ(sink.count(), 0u);
    EXPECT_EQ(decode(dec, randomFrame(6, 200, 100), sink), FrameResult::Decoded);
}

// part2_3_length far beyond the frame's main data, sizes out of range and missing side
// information: no read leaves the buffers and the decoder goes on with the next frame.
TEST(Layer3Decoder, CorruptLengthsAndSizesAreBounded)
{
    Layer3Decoder dec;
    CaptureSink sink;
    Frame f = randomFrame(7, 40);
    GranuleFields g;
    g.part23Length = 4095;
    g.bigValues = 511;
    g.tableSelect[0] = g.tableSelect[1] = g.tableSelect[2] = 31;
    g.region0 = 15;
    g.region1 = 7;
    g.scalefacCompress = 15;
    f.side = l3test::monoSideInfo(0, g);
    EXPECT_EQ(decode(dec, f, sink), FrameResult::Decoded);
    EXPECT_EQ(dec.decodeFrame(l3test::monoFormat(), f.side.data(), 5, f.main.data(), 40, 0, 0, sink),
              FrameResult::Invalid);
    EXPECT_EQ(dec.decodeFrame(l3test::monoFormat(), f.side.data(), f.side.size(), f.main.data(), -1, 0, 0, sink),
              FrameResult::Invalid);
    EXPECT_EQ(dec.decodeFrame(l3test::monoFormat(), f.side.data(), f.side.size(), nullptr, 100000, 0, 0, sink),
              FrameResult::Invalid);
    FrameFormat bad = l3test::monoFormat();
    bad.frequencyIndex = 3;
    EXPECT_EQ(dec.decodeFrame(bad, f.side.data(), f.side.size(), f.main.data(), 40, 0, 0, sink), FrameResult::Invalid);
    EXPECT_EQ(decode(dec, randomFrame(8, 400), sink), FrameResult::Decoded);
}

// After a reset the first granule carries no overlap: a silent frame then gives exact zeros.
TEST(Layer3Decoder, ResetClearsOverlap)
{
    Layer3Decoder dec;
    CaptureSink sink;
    ASSERT_EQ(decode(dec, randomFrame(9, 400), sink), FrameResult::Decoded);
    ASSERT_FALSE(allZero(sink.blocks[0].back()));
    Frame silent;
    silent.side = l3test::monoSideInfo(0, GranuleFields{});
    silent.main.assign(10, 0);
    CaptureSink after;
    ASSERT_EQ(decode(dec, silent, after), FrameResult::Decoded);
    EXPECT_FALSE(allZero(after.blocks[0][0]));  // overlap of the loud frame
    dec.reset();
    CaptureSink fresh;
    ASSERT_EQ(decode(dec, silent, fresh), FrameResult::Decoded);
    for (const auto& b : fresh.blocks[0])
        EXPECT_TRUE(allZero(b));
}

// The reservoir holds main data across many frames: data reached through main_data_begin is the
// tail of the frames before, whatever the fill level.
TEST(Layer3Decoder, ReservoirReachesBackAcrossManyFrames)
{
    BitReservoir r;
    std::vector<uint8_t> all;
    for (int k = 0; k < 60; ++k) {
        std::vector<uint8_t> data(static_cast<size_t>(600 + (k * 97) % 900));
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(k * 31 + i * 7);
        // Each frame leaves its last 511 bytes to the next one.
        const int begin = k == 0 ? 0 : 511;
        ASSERT_TRUE(r.appendFrame(data.data(), static_cast<int>(data.size()), begin)) << k;
        BitReader bits = r.reader();
        for (int i = 0; i < begin; ++i)
            ASSERT_EQ(bits.get(8), all[all.size() - begin + i]) << k;
        for (size_t i = 0; i + 511 < data.size(); ++i)
            ASSERT_EQ(bits.get(8), data[i]);
        r.finishFrame(static_cast<int>(bits.position()));
        all.insert(all.end(), data.begin(), data.end());
    }
    BitReader bits = r.reader();
    bits.seek(static_cast<uint32_t>(r.endBit()));
    EXPECT_EQ(bits.get(8), 0u);                                            // past the stored data: zeros
    EXPECT_EQ(bits.peek64At(r.endBit() - 8), uint64_t{all.back()} << 56);  // then zeros
    EXPECT_EQ(bits.peek64At(r.endBit()), 0u);
    r.finishFrame(r.endBit());
    // A frame reaching back into bytes an earlier frame consumed is refused.
    const uint8_t more[4] = {1, 2, 3, 4};
    EXPECT_FALSE(r.appendFrame(more, 4, 10));
    EXPECT_FALSE(r.appendFrame(more, 5000, 0));
}

// Equaliser at unity changes nothing; at zero it silences everything. Switching the vector path
// mid-stream keeps the output to float accuracy.
TEST(Layer3Decoder, EqualiserAndPathSwitch)
{
    std::vector<Frame> frames;
    for (int k = 0; k < 6; ++k)
        frames.push_back(randomFrame(20 + k, 418, 0, k == 2 ? 2 : k == 1 ? 1 : k == 3 ? 3 : 0));
    auto run = [&](const float* eq, Path later) {
        Layer3Decoder dec;
        dec.setEqualizer(eq);
        CaptureSink sink;
        for (size_t k = 0; k < frames.size(); ++k) {
            if (k == 3)
                dec.setPath(later);
            decode(dec, frames[k], sink);
        }
        return sink.blocks[0];
    };
    float unity[32], zero[32] = {};
    std::fill(unity, unity + 32, 1.0f);
    const auto plain = run(nullptr, Path::Plain);
    EXPECT_EQ(run(unity, Path::Plain), plain);
    for (const auto& b : run(zero, Path::Plain))
        EXPECT_TRUE(allZero(b));
    for (Path p : {Path::Sse, Path::ThreeDNow}) {
        const auto other = run(nullptr, p);
        ASSERT_EQ(other.size(), plain.size());
        for (size_t g = 0; g < plain.size(); ++g)
            for (size_t i = 0; i < plain[g].size(); ++i)
                ASSERT_NEAR(other[g][i], plain[g][i], 1e-3 + 1e-5 * std::abs(plain[g][i]));
    }
}

// Stereo frames hand channel 0 and 1 per granule; a channel selection narrows that.
TEST(Layer3Decoder, ChannelSelectionAndSideInfoSizes)
{
    FrameFormat f;
    f.mode = 0;
    EXPECT_EQ(sideInfoBytes(f), 32u);
    f.mpeg1 = false;
    EXPECT_EQ(sideInfoBytes(f), 17u);
    f.mode = 3;
    EXPECT_EQ(sideInfoBytes(f), 9u);
    f.mpeg1 = true;
    EXPECT_EQ(sideInfoBytes(f), 17u);

    FrameFormat stereo;
    stereo.mode = 0;
    std::vector<uint8_t> side(32, 0), main(100, 0);
    Layer3Decoder dec;
    CaptureSink both, left;
    EXPECT_EQ(dec.decodeFrame(stereo, side.data(), side.size(), main.data(), 100, 0, 1, both), FrameResult::Decoded);
    EXPECT_EQ(both.blocks[0].size(), 2u);
    EXPECT_EQ(both.blocks[1].size(), 2u);
    EXPECT_EQ(dec.decodeFrame(stereo, side.data(), side.size(), main.data(), 100, 0, 0, left), FrameResult::Decoded);
    EXPECT_EQ(left.blocks[1].size(), 0u);
}

}  // namespace
