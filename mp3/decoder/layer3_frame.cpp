#include "mp3/decoder/layer3_frame.h"

#include <cstring>

#include "mp3/decoder/synthesis_filter.h"
#include "mp3/player/frame_header.h"
#include "mp3/player/obuffer.h"
#include "mp3/player/player_settings.h"
#include "mp3/player/stream_reader.h"

namespace {

// Runs 18 synthesis steps per granule and channel, writing into the output block.
class SynthesisSink : public layer3::GranuleSink {
public:
    SynthesisSink(SynthesisFilter* f0, SynthesisFilter* f1, Obuffer& out) : out_(out) {
        filters_[0] = f0;
        filters_[1] = f1;
    }
    void granule(int channel, const layer3::SlotBlock& samples) override {
        SynthesisFilter* f = filters_[channel & 1];
        if (f == nullptr) return;
        const uint32_t stride = out_.channels();
        for (int s = 0; s < layer3::kSlots; ++s) {
            std::memcpy(f->samples(), samples[s], sizeof(float) * layer3::kSubbands);
            f->run(out_.reserve32(static_cast<uint32_t>(channel)), stride);
        }
    }

private:
    SynthesisFilter* filters_[2];
    Obuffer& out_;
};

layer3::Path currentPath() {
    switch (player::activePath()) {
    case player::SimdPath::Sse: return layer3::Path::Sse;
    case player::SimdPath::ThreeDNow: return layer3::Path::ThreeDNow;
    default: return layer3::Path::Plain;
    }
}

}  // namespace

layer3::FrameResult decodeLayer3Frame(StreamReader& reader, const FrameHeader& header, layer3::Layer3Decoder& decoder,
                                      SynthesisFilter* filter0, SynthesisFilter* filter1, Obuffer& out) {
    layer3::FrameFormat format;
    format.mpeg1 = header.version() == 1;
    format.mpeg25 = header.mpeg25();
    format.frequencyIndex = header.sampleFrequencyIndex();
    format.mode = header.mode();
    format.modeExtension = header.modeExtension();

    uint8_t side[32];
    const size_t sideBytes = layer3::sideInfoBytes(format);
    for (size_t i = 0; i < sideBytes; ++i) side[i] = static_cast<uint8_t>(reader.getBits(8));
    // Main data beyond what the reservoir takes per frame is refused by the decoder.
    uint8_t main[layer3::BitReservoir::kMaxFrameBytes];
    const int mainBytes = header.mainDataSize();
    const int copied = mainBytes < 0 ? 0 : mainBytes > layer3::BitReservoir::kMaxFrameBytes ? 0 : mainBytes;
    for (int i = 0; i < copied; ++i) main[i] = static_cast<uint8_t>(reader.getBits(8));

    decoder.setPath(currentPath());
    float eq[player::kEqBands];
    const bool eqOn = player::settings().eqEnable.load(std::memory_order_relaxed);
    if (eqOn)
        for (int k = 0; k < player::kEqBands; ++k) eq[k] = player::eqGain(k);
    decoder.setEqualizer(eqOn ? eq : nullptr);

    const int last = (filter1 != nullptr && out.channels() == 2) ? 1 : 0;
    SynthesisSink sink(filter0, last ? filter1 : nullptr, out);
    const layer3::FrameResult r =
        decoder.decodeFrame(format, side, sideBytes, main, copied == mainBytes ? mainBytes : -1, 0, last, sink);
    decoder.setEqualizer(nullptr);
    if (r == layer3::FrameResult::Decoded) out.frameDone();
    return r;
}
