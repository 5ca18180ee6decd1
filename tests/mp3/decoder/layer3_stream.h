#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "mp3/decoder/layer3_decoder.h"
#include "mp3/decoder/synthesis_filter.h"
#include "mp3/player/player_settings.h"

// Test-side driver: splits a Layer III file into frames, decodes them with Layer3Decoder and the
// synthesis filters, and collects interleaved float PCM in 16-bit scale.
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

inline Header parseHeader(const uint8_t* p, size_t avail) {
    static const int kRates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
    static const int kBitrates[2][15] = {{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
    Header h;
    if (avail < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return h;
    const int version = (p[1] >> 3) & 3;
    const int layer = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int freq = (p[2] >> 2) & 3;
    if ((version != 3 && version != 2) || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || freq == 3) return h;
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

struct Decoded {
    int channels = 0;
    int rate = 0;
    int frames = 0;
    int skipped = 0;
    int shortGranules = 0;    // granules of channel 0 with short blocks
    int midSideFrames = 0;    // frames with mid/side stereo
    int mpeg2Frames = 0;
    std::vector<float> pcm;  // interleaved, 16-bit scale
};

class SynthSink : public layer3::GranuleSink {
public:
    SynthSink(int channels, std::vector<float>& pcm) : channels_(channels), pcm_(pcm) {
        for (int ch = 0; ch < channels; ++ch) filters_[ch] = new SynthesisFilter(ch, 32768.0f);
    }
    ~SynthSink() override {
        for (auto* f : filters_) delete f;
    }
    void startGranule() {
        base_ = pcm_.size();
        pcm_.resize(base_ + static_cast<size_t>(576 * channels_));
    }
    void granule(int channel, const layer3::SlotBlock& samples) override {
        for (int s = 0; s < layer3::kSlots; ++s) {
            std::memcpy(filters_[channel]->samples(), samples[s], sizeof(float) * 32);
            filters_[channel]->run(pcm_.data() + base_ + static_cast<size_t>(s * 32 * channels_ + channel),
                                   static_cast<uint32_t>(channels_));
        }
    }

private:
    int channels_;
    std::vector<float>& pcm_;
    size_t base_ = 0;
    SynthesisFilter* filters_[2] = {nullptr, nullptr};
};

// Granule-splitting sink: the decoder hands all channels of one granule before the next granule.
class GranuleSplitter : public layer3::GranuleSink {
public:
    explicit GranuleSplitter(SynthSink& sink) : sink_(sink) {}
    void granule(int channel, const layer3::SlotBlock& samples) override {
        if (channel == 0) sink_.startGranule();
        sink_.granule(channel, samples);
    }

private:
    SynthSink& sink_;
};

inline layer3::Path pathOf(player::SimdPath p) {
    return p == player::SimdPath::Plain ? layer3::Path::Plain
           : p == player::SimdPath::Sse ? layer3::Path::Sse
                                        : layer3::Path::ThreeDNow;
}

// Decodes every frame with the first frame's channel count; stops at a frame with another count.
inline Decoded decodeBytes(const std::vector<uint8_t>& file, layer3::Layer3Decoder& dec, const float* eq = nullptr) {
    Decoded out;
    dec.setPath(pathOf(player::activePath()));
    dec.setEqualizer(eq);
    size_t pos = 0;
    SynthSink* synth = nullptr;
    while (pos + 4 <= file.size()) {
        const Header h = parseHeader(file.data() + pos, file.size() - pos);
        if (!h.ok || h.frameBytes < 4 || pos + static_cast<size_t>(h.frameBytes) > file.size()) {
            ++pos;  // resynchronise
            continue;
        }
        if (synth == nullptr) {
            out.channels = h.format.channels();
            out.rate = h.rate;
            synth = new SynthSink(out.channels, out.pcm);
        }
        if (h.format.channels() != out.channels) break;
        const uint8_t* body = file.data() + pos + 4 + (h.crc ? 2 : 0);
        const size_t bodyBytes = static_cast<size_t>(h.frameBytes) - 4 - (h.crc ? 2 : 0);
        const size_t side = layer3::sideInfoBytes(h.format);
        if (bodyBytes < side) break;
        GranuleSplitter splitter(*synth);
        const auto result = dec.decodeFrame(h.format, body, side, body + side, static_cast<int>(bodyBytes - side), 0,
                                            out.channels - 1, splitter);
        ++out.frames;
        if (result != layer3::FrameResult::Decoded) ++out.skipped;
        for (int gr = 0; gr < h.format.granules(); ++gr) out.shortGranules += dec.sideInfo().gr[gr][0].shortBlocks();
        out.midSideFrames += h.format.midSide();
        out.mpeg2Frames += !h.format.mpeg1;
        pos += static_cast<size_t>(h.frameBytes);
    }
    delete synth;
    return out;
}

}  // namespace l3test

namespace l3test {

// Most-significant-first bit writer for crafting side information and main data.
class BitWriter {
public:
    void put(uint32_t value, int bits) {
        for (int b = bits - 1; b >= 0; --b) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((value >> b) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    int bits() const { return used_; }
    std::vector<uint8_t> bytes(size_t minSize = 0) const {
        std::vector<uint8_t> b = bytes_;
        if (b.size() < minSize) b.resize(minSize, 0);
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

inline void writeGranule(BitWriter& w, const GranuleFields& g, bool mpeg1) {
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
        for (int i = 0; i < 3; ++i) w.put(g.subblockGain[i], 3);
    } else {
        for (int i = 0; i < 3; ++i) w.put(g.tableSelect[i], 5);
        w.put(g.region0, 4);
        w.put(g.region1, 3);
    }
    if (mpeg1) w.put(g.preflag, 1);
    w.put(g.scalefacScale, 1);
    w.put(g.count1Table, 1);
}

// Side information of a mono MPEG-1 frame with the same fields in both granules.
inline std::vector<uint8_t> monoSideInfo(int mainDataBegin, const GranuleFields& g) {
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
    void granule(int channel, const layer3::SlotBlock& samples) override {
        blocks[channel].emplace_back(&samples[0][0], &samples[0][0] + layer3::kSlots * layer3::kSubbands);
    }
    size_t count() const { return blocks[0].size() + blocks[1].size(); }
};

inline layer3::FrameFormat monoFormat() {
    layer3::FrameFormat f;
    f.mpeg1 = true;
    f.frequencyIndex = 0;
    f.mode = 3;
    return f;
}

}  // namespace l3test
