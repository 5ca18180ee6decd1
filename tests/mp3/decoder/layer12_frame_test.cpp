#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "mp3/decode/stream_decoder.h"
#include "mp3/stream/crc16.h"
#include "support/signal.h"

namespace {

// Writes fields most significant bit first.
class BitWriter {
public:
    void put(uint32_t value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
            bits_.push_back((value >> i) & 1);
    }
    size_t size() const { return bits_.size(); }
    std::vector<uint8_t> bytes(size_t count) const
    {
        std::vector<uint8_t> out(count, 0);
        for (size_t i = 0; i < bits_.size() && i / 8 < count; ++i)
            if (bits_[i])
                out[i / 8] |= uint8_t(0x80 >> (i % 8));
        return out;
    }
    const std::vector<int>& raw() const { return bits_; }

private:
    std::vector<int> bits_;
};

// MPEG-1 header: layer 1 or 2, bitrate index, sampling index (0 44.1, 1 48, 2 32 kHz), mode.
uint32_t header(int layer, int bitrateIndex, int rateIndex, int mode, bool crc)
{
    return 0xFFF00000u | (1u << 19) | uint32_t(4 - layer) << 17 | uint32_t(crc ? 0 : 1) << 16
        | uint32_t(bitrateIndex) << 12 | uint32_t(rateIndex) << 10 | uint32_t(mode) << 6;
}

// One frame: header, optional check word, then body; frameBytes in total.
std::vector<uint8_t> frame(uint32_t hdr, const BitWriter& body, size_t frameBytes, int crcWord = -1)
{
    BitWriter all;
    all.put(hdr, 32);
    if (crcWord >= 0)
        all.put(uint32_t(crcWord), 16);
    for (int b : body.raw())
        all.put(uint32_t(b), 1);
    EXPECT_LE(all.size(), frameBytes * 8) << "body does not fit the frame";
    return all.bytes(frameBytes);
}

struct Decoded {
    std::vector<float> pcm;
    uint32_t decoded = 0;
    uint32_t dropped = 0;
    int32_t channels = 0;
};

Decoded decodeFrames(const std::vector<std::vector<uint8_t>>& frames, const char* name)
{
    const std::string path = testsig::tempPath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    for (const auto& fr : frames)
        std::fwrite(fr.data(), 1, fr.size(), f);
    std::fclose(f);
    StreamDecoder dec;
    Decoded d;
    EXPECT_TRUE(dec.open(path.c_str()));
    dec.decodeAll();
    d.pcm = dec.pcm();
    d.decoded = dec.framesDecoded();
    d.dropped = dec.framesDropped();
    d.channels = dec.channels();
    std::remove(path.c_str());
    return d;
}

double peak(const float* x, size_t n)
{
    double m = 0.0;
    for (size_t i = 0; i < n; ++i)
        m = std::max(m, double(std::fabs(x[i])));
    return m;
}

// Layer I, 32 kHz, 192 kbit/s, single channel: 288-byte frames. Subband `sb` gets allocation
// `alloc` (samples of alloc + 1 bits), scale factor index `scf`, and every sample `sample`.
BitWriter layer1MonoBody(int sb, uint32_t alloc, uint32_t scf, uint32_t sample)
{
    BitWriter w;
    for (int s = 0; s < 32; ++s)
        w.put(s == sb ? alloc : 0, 4);
    if (alloc)
        w.put(scf, 6);
    if (alloc && alloc != 15)
        for (int g = 0; g < 12; ++g)
            w.put(sample, int(alloc) + 1);
    return w;
}
constexpr size_t kLayer1Bytes = 288;
const uint32_t kLayer1Header = header(1, 6, 2, 3, false);

// Layer II, 48 kHz, single channel, bitrate index 10 (192 kbit/s, 576 bytes, 27 subbands with
// nbal 4 for 0..10, 3 for 11..22, 2 for 23..26). One subband coded with allocation `alloc`,
// scfsi 2 (one scale factor), and each of the 12 groups written by `group`.
template<typename WriteGroup> BitWriter layer2MonoBody(int sb, uint32_t alloc, uint32_t scf, WriteGroup group)
{
    BitWriter w;
    for (int s = 0; s < 27; ++s)
        w.put(s == sb ? alloc : 0, s < 11 ? 4 : s < 23 ? 3 : 2);
    if (alloc) {
        w.put(2, 2);
        w.put(scf, 6);
        for (int g = 0; g < 12; ++g)
            group(w);
    }
    return w;
}
constexpr size_t kLayer2Bytes = 576;
const uint32_t kLayer2Header = header(2, 10, 1, 3, false);

BitWriter silentLayer2Body()
{
    return layer2MonoBody(0, 0, 0, [](BitWriter&) {});
}

TEST(Layer12Frames, SamplesPerFrameAndChannelInterleaving)
{
    // Two Layer I frames (384 samples each) and, separately, two stereo Layer II frames (1152).
    const Decoded l1 = decodeFrames({frame(kLayer1Header, layer1MonoBody(2, 3, 10, 9), kLayer1Bytes),
                                     frame(kLayer1Header, layer1MonoBody(2, 3, 10, 9), kLayer1Bytes)},
                                    "l1_count.mp2");
    EXPECT_EQ(l1.decoded, 2u);
    EXPECT_EQ(l1.pcm.size(), 2u * 384u);

    // Stereo Layer II at 48 kHz, 192 kbit/s is 96 per channel: the 27-subband table. Channel 0
    // silent, channel 1 coded in subband 1, so only the odd block positions carry signal.
    BitWriter w;
    for (int s = 0; s < 27; ++s) {
        const int nbal = s < 11 ? 4 : s < 23 ? 3 : 2;
        w.put(0, nbal);
        w.put(s == 1 ? 5 : 0, nbal);
    }
    w.put(2, 2);
    w.put(8, 6);
    for (int g = 0; g < 12; ++g)
        for (int i = 0; i < 3; ++i)
            w.put(g % 2 ? 3 : 28, 5);  // 31 levels: 5-bit samples
    const uint32_t hdr = header(2, 10, 1, 0, false);
    const Decoded l2 = decodeFrames({frame(hdr, w, kLayer2Bytes), frame(hdr, w, kLayer2Bytes)}, "l2_count.mp2");
    ASSERT_EQ(l2.channels, 2);
    ASSERT_EQ(l2.pcm.size(), 2u * 2u * 1152u);
    double even = 0.0, odd = 0.0;
    for (size_t i = 0; i < l2.pcm.size(); i += 2) {
        even = std::max(even, double(std::fabs(l2.pcm[i])));
        odd = std::max(odd, double(std::fabs(l2.pcm[i + 1])));
    }
    EXPECT_EQ(even, 0.0);
    EXPECT_GT(odd, 1000.0);
}

TEST(Layer12Frames, AnUncodedSubbandNeverCarriesAnEarlierValue)
{
    // A loud frame, then two frames with nothing coded: once the 16-run history has passed (well
    // inside the second frame), the third frame is exact silence.
    const auto loud = layer2MonoBody(4, 15, 0, [](BitWriter& w) {
        for (int i = 0; i < 3; ++i)
            w.put(60000, 16);
    });
    const Decoded d = decodeFrames({frame(kLayer2Header, loud, kLayer2Bytes),
                                    frame(kLayer2Header, silentLayer2Body(), kLayer2Bytes),
                                    frame(kLayer2Header, silentLayer2Body(), kLayer2Bytes)},
                                   "l2_uncoded.mp2");
    ASSERT_EQ(d.pcm.size(), 3u * 1152u);
    EXPECT_GT(peak(d.pcm.data(), 1152), 10000.0);
    EXPECT_EQ(peak(d.pcm.data() + 2 * 1152, 1152), 0.0);
}

TEST(Layer12Frames, SubbandsAboveAFrameLimitAreSilencedWhenTheTableShrinks)
{
    // Subband 20 is coded in a 27-subband frame; the next frames use the 8-subband table
    // (48 kbit/s at 48 kHz, 144 bytes) and code nothing, so subband 20 must not keep its value.
    const auto loud = layer2MonoBody(20, 7, 0, [](BitWriter& w) {
        for (int i = 0; i < 3; ++i)
            w.put(60000, 16);
    });
    BitWriter narrow;
    for (int s = 0; s < 8; ++s)
        narrow.put(0, s < 2 ? 4 : 3);
    const uint32_t lowRate = header(2, 2, 1, 3, false);
    const Decoded d = decodeFrames(
        {frame(kLayer2Header, loud, kLayer2Bytes), frame(lowRate, narrow, 144), frame(lowRate, narrow, 144)},
        "l2_shrink.mp2");
    ASSERT_EQ(d.decoded, 3u);
    ASSERT_EQ(d.pcm.size(), 3u * 1152u);
    EXPECT_GT(peak(d.pcm.data(), 1152), 10000.0);
    EXPECT_EQ(peak(d.pcm.data() + 2 * 1152, 1152), 0.0);
}

TEST(Layer12Frames, ProtectedFramesAreCheckedAndAWrongCheckWordDropsTheFrame)
{
    // Layer I check word: the header's last 16 bits, then the allocations.
    const uint32_t hdr = header(1, 6, 2, 3, true);
    BitWriter body = layer1MonoBody(5, 7, 12, 100);
    Crc16 crc;
    crc.addBits(hdr & 0xFFFF, 16);
    for (int i = 0; i < 32 * 4; ++i)
        crc.addBits(uint32_t(body.raw()[i]), 1);
    const int good = crc.value();
    const Decoded d = decodeFrames({frame(hdr, body, kLayer1Bytes, good), frame(hdr, body, kLayer1Bytes, good ^ 0x0100),
                                    frame(hdr, body, kLayer1Bytes, good)},
                                   "l1_crc.mp1");
    EXPECT_EQ(d.decoded, 2u);
    EXPECT_EQ(d.dropped, 1u);
    EXPECT_EQ(d.pcm.size(), 2u * 384u);  // the bad frame adds nothing
    EXPECT_GT(peak(d.pcm.data(), d.pcm.size()), 100.0);
}

TEST(Layer12Frames, ForbiddenLayer1AllocationDropsTheFrame)
{
    // Allocation 15 would mean 16-bit samples; the frame is dropped, its neighbours decode.
    const Decoded d = decodeFrames({frame(kLayer1Header, layer1MonoBody(3, 4, 10, 7), kLayer1Bytes),
                                    frame(kLayer1Header, layer1MonoBody(3, 15, 10, 0), kLayer1Bytes),
                                    frame(kLayer1Header, layer1MonoBody(3, 4, 10, 7), kLayer1Bytes)},
                                   "l1_forbidden.mp1");
    EXPECT_EQ(d.decoded, 2u);
    EXPECT_EQ(d.dropped, 1u);
    EXPECT_EQ(d.pcm.size(), 2u * 384u);
}

TEST(Layer12Frames, ScaleFactorIndex63SilencesItsBand)
{
    // Layer I and Layer II: the largest sample with the invalid scale factor index gives silence.
    const Decoded l1
        = decodeFrames({frame(kLayer1Header, layer1MonoBody(6, 14, 63, 30000), kLayer1Bytes)}, "l1_scf63.mp1");
    ASSERT_EQ(l1.pcm.size(), 384u);
    EXPECT_EQ(peak(l1.pcm.data(), l1.pcm.size()), 0.0);
    const auto body = layer2MonoBody(2, 15, 63, [](BitWriter& w) {
        for (int i = 0; i < 3; ++i)
            w.put(65000, 16);
    });
    const Decoded l2 = decodeFrames({frame(kLayer2Header, body, kLayer2Bytes)}, "l2_scf63.mp2");
    ASSERT_EQ(l2.pcm.size(), 1152u);
    EXPECT_EQ(peak(l2.pcm.data(), l2.pcm.size()), 0.0);
}

TEST(Layer12Frames, GroupedCodewordsOutsideTheLevelsGiveSilence)
{
    // 3-level codewords have 5 bits but only 27 values; 9-level ones 10 bits for 729 values.
    const auto bad3 = layer2MonoBody(0, 1, 0, [](BitWriter& w) { w.put(31, 5); });
    const auto bad9 = layer2MonoBody(3, 4, 0, [](BitWriter& w) { w.put(1023, 10); });
    const auto good9 = layer2MonoBody(3, 4, 0, [](BitWriter& w) { w.put(728, 10); });
    const Decoded d = decodeFrames({frame(kLayer2Header, bad3, kLayer2Bytes), frame(kLayer2Header, bad9, kLayer2Bytes),
                                    frame(kLayer2Header, good9, kLayer2Bytes)},
                                   "l2_group.mp2");
    ASSERT_EQ(d.pcm.size(), 3u * 1152u);
    EXPECT_EQ(peak(d.pcm.data(), 2 * 1152), 0.0);
    EXPECT_GT(peak(d.pcm.data() + 2 * 1152, 1152), 1000.0);
}

TEST(Layer12Frames, LayerOneRequantisationOfAConstantSubbandZero)
{
    // Subband 0 carries DC: with 4-bit samples s, value = (2s - 14) / 15 times the scale factor
    // (index 3: 1.0). A constant input settles to a constant output of value * 32768 / 32 * 32
    // (the synthesis gain for subband 0 is the DC gain of the window, 1 per unit input).
    const Decoded d = decodeFrames({frame(kLayer1Header, layer1MonoBody(0, 3, 3, 12), kLayer1Bytes),
                                    frame(kLayer1Header, layer1MonoBody(0, 3, 3, 12), kLayer1Bytes)},
                                   "l1_dc.mp1");
    ASSERT_EQ(d.pcm.size(), 768u);
    const double want = (2.0 * 12 - 14) / 15.0 * 32768.0;
    for (size_t i = 600; i < 768; ++i)
        EXPECT_NEAR(d.pcm[i], want, want * 0.01) << i;
}

}  // namespace
