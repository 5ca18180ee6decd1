#include "mp3/decoder/layer3_frame.h"

#include "mp3/decoder/frame_synthesis.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"

namespace {

// Runs 18 synthesis steps per granule and channel into the frame.
class SynthesisSink : public layer3::GranuleSink {
public:
    explicit SynthesisSink(FrameSynthesis& synth) : synth_(synth) { }
    void granule(int channel, const layer3::SlotBlock& samples) override
    {
        synth_.runRows(channel, samples[0], layer3::kSlots);
    }

private:
    FrameSynthesis& synth_;
};

}  // namespace

layer3::FrameResult decodeLayer3Frame(StreamReader& reader, const FrameHeader& header,
                                      const decoder::DecoderSettings& settings, layer3::Layer3Decoder& decoder,
                                      FrameSynthesis& synth)
{
    layer3::FrameFormat format;
    format.mpeg1 = header.version() == 1;
    format.mpeg25 = header.mpeg25();
    format.frequencyIndex = header.sampleFrequencyIndex();
    format.mode = header.mode();
    format.modeExtension = header.modeExtension();

    uint8_t side[32];
    const size_t sideBytes = layer3::sideInfoBytes(format);
    reader.getBytes(side, static_cast<uint32_t>(sideBytes));
    // Main data beyond what the reservoir takes per frame is refused by the decoder.
    uint8_t main[layer3::BitReservoir::kMaxFrameBytes];
    const int mainBytes = header.mainDataSize();
    const int copied = mainBytes < 0 ? 0 : mainBytes > layer3::BitReservoir::kMaxFrameBytes ? 0 : mainBytes;
    reader.getBytes(main, static_cast<uint32_t>(copied));

    decoder.setPath(settings.path);
    decoder.setEqualizer(settings.equalizer ? settings.eqGains : nullptr);
    synth.begin();
    SynthesisSink sink(synth);
    const layer3::FrameResult r = decoder.decodeFrame(
        format, side, sideBytes, main, copied == mainBytes ? mainBytes : -1, 0, synth.channels() - 1, sink);
    decoder.setEqualizer(nullptr);
    return r;
}
