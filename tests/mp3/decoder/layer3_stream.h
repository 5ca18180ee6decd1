#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "mp3/decoder/layer3_decoder.h"

// Test helpers for Layer III: a frame splitter that reads headers and side information, a bit
// writer and side-information builders for crafted frames, and a sink that keeps the granules.
namespace l3test {

struct Header {
    bool ok = false;
    bool mpeg1 = true;
    bool crc = false;
    int bitrateKbps = 0;
    int rate = 0;
    int frameBytes = 0;
    layer3::FrameFormat format;
};

inline Header parseHeader(const uint8_t* p, size_t avail)
{
    static const int kRates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
    static const int kBitrates[2][15] = {{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
    Header h;
    if (avail < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return h;
    const int version = (p[1] >> 3) & 3;
    const int layer = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int freq = (p[2] >> 2) & 3;
    if ((version != 3 && version != 2) || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || freq == 3)
        return h;
    h.mpeg1 = version == 3;
    h.crc = (p[1] & 1) == 0;
    h.bitrateKbps = kBitrates[h.mpeg1][bitrateIndex];
    h.rate = kRates[h.mpeg1][freq];
    const int padding = (p[2] >> 1) & 1;
    h.frameBytes = (h.mpeg1 ? 144000 : 72000) * h.bitrateKbps / h.rate + padding;
    h.format.mpeg1 = h.mpeg1;
    h.format.frequencyIndex = freq;
    h.format.mode = p[3] >> 6;
    h.format.modeExtension = (p[3] >> 4) & 3;
    h.ok = true;
    return h;
}

// What the frames of a Layer III file carry, from their headers and side information alone.
struct StreamFacts {
    int channels = 0;
    int rate = 0;
    int frames = 0;
    std::vector<int> frameChannels;  // the channel count of each frame
    int shortGranules = 0;           // granules of channel 0 with short blocks
    int midSideFrames = 0;
    int mpeg2Frames = 0;
};

inline StreamFacts scanStream(const std::vector<uint8_t>& file)
{
    StreamFacts f;
    size_t pos = 0;
    while (pos + 4 <= file.size()) {
        const Header h = parseHeader(file.data() + pos, file.size() - pos);
        if (!h.ok || pos + static_cast<size_t>(h.frameBytes) > file.size()) {
            ++pos;  // resynchronise
            continue;
        }
        if (f.frames == 0) {
            f.channels = h.format.channels();
            f.rate = h.rate;
        }
        f.frameChannels.push_back(h.format.channels());
        ++f.frames;
        layer3::SideInfo si;
        const size_t side = pos + 4 + (h.crc ? 2 : 0);
        if (layer3::parseSideInfo(file.data() + side, file.size() - side, h.format, si))
            for (int gr = 0; gr < h.format.granules(); ++gr)
                f.shortGranules += si.gr[gr][0].shortBlocks();
        f.midSideFrames += h.format.midSide();
        f.mpeg2Frames += !h.format.mpeg1;
        pos += static_cast<size_t>(h.frameBytes);
    }
    return f;
}

}  // namespace l3test

namespace l3test {

// Most-significant-first bit writer for crafting side information and main data.
class BitWriter {
public:
    void put(uint32_t value, int bits)
    {
        for (int b = bits - 1; b >= 0; --b) {
            if (used_ % 8 == 0)
                bytes_.push_back(0);
            if ((value >> b) & 1)
                bytes_.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    int bits() const { return used_; }
    std::vector<uint8_t> bytes(size_t minSize = 0) const
    {
        std::vector<uint8_t> b = bytes_;
        if (b.size() < minSize)
            b.resize(minSize, 0);
        return b;
    }

private:
    std::vector<uint8_t> bytes_;
    int used_ = 0;
};

// Writes one granule/channel's side information fields (long blocks unless blockType is given).
struct GranuleFields {
    int part23Length = 0, bigValues = 0, globalGain = 210, scalefacCompress = 0;
    int windowSwitching = 0, blockType = 0, mixed = 0;
    int tableSelect[3] = {0, 0, 0};
    int subblockGain[3] = {0, 0, 0};
    int region0 = 0, region1 = 0;
    int preflag = 0, scalefacScale = 0, count1Table = 0;
};

inline void writeGranule(BitWriter& w, const GranuleFields& g, bool mpeg1)
{
    w.put(g.part23Length, 12);
    w.put(g.bigValues, 9);
    w.put(g.globalGain, 8);
    w.put(g.scalefacCompress, mpeg1 ? 4 : 9);
    w.put(g.windowSwitching, 1);
    if (g.windowSwitching) {
        w.put(g.blockType, 2);
        w.put(g.mixed, 1);
        w.put(g.tableSelect[0], 5);
        w.put(g.tableSelect[1], 5);
        for (int i = 0; i < 3; ++i)
            w.put(g.subblockGain[i], 3);
    } else {
        for (int i = 0; i < 3; ++i)
            w.put(g.tableSelect[i], 5);
        w.put(g.region0, 4);
        w.put(g.region1, 3);
    }
    if (mpeg1)
        w.put(g.preflag, 1);
    w.put(g.scalefacScale, 1);
    w.put(g.count1Table, 1);
}

// Side information of a mono MPEG-1 frame with the same fields in both granules.
inline std::vector<uint8_t> monoSideInfo(int mainDataBegin, const GranuleFields& g)
{
    BitWriter w;
    w.put(mainDataBegin, 9);
    w.put(0, 5);
    w.put(0, 4);
    writeGranule(w, g, true);
    writeGranule(w, g, true);
    return w.bytes(17);
}

// Collects the granules the decoder hands out.
struct CaptureSink : layer3::GranuleSink {
    std::vector<std::vector<float>> blocks[2];
    void granule(int channel, const layer3::SlotBlock& samples) override
    {
        blocks[channel].emplace_back(&samples[0][0], &samples[0][0] + layer3::kSlots * layer3::kSubbands);
    }
    size_t count() const { return blocks[0].size() + blocks[1].size(); }
};

inline layer3::FrameFormat monoFormat()
{
    layer3::FrameFormat f;
    f.mpeg1 = true;
    f.frequencyIndex = 0;
    f.mode = 3;
    return f;
}

}  // namespace l3test
