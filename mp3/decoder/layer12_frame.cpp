#include "mp3/decoder/layer12_frame.h"

#include <algorithm>
#include <memory>

#include "mp3/decoder/layer1_bands.h"
#include "mp3/decoder/layer2_bands.h"
#include "mp3/decoder/frame_synthesis.h"
#include "mp3/player/crc16.h"
#include "mp3/player/frame_header.h"
#include "mp3/player/stream_reader.h"

namespace {

constexpr int kSubbands = 32;

std::unique_ptr<BandDecoder> makeBand(const FrameHeader& header, const decoder::AllocTable* table, int sb,
                                      int bound) {
    const bool mono = header.mode() == FrameHeader::kSingleChannel;
    const bool intensity = header.mode() == FrameHeader::kJointStereo && sb >= bound;
    if (header.layer() == 1) {
        if (mono) return std::make_unique<MonoBandI>(sb);
        if (intensity) return std::make_unique<IntensityBandI>(sb);
        return std::make_unique<StereoBandI>(sb);
    }
    const decoder::AllocRow& row = *table->rows[sb];
    if (mono) return std::make_unique<MonoBandII>(sb, row);
    if (intensity) return std::make_unique<IntensityBandII>(sb, row);
    return std::make_unique<StereoBandII>(sb, row);
}

}  // namespace

Layer12Result decodeLayer12Frame(StreamReader& reader, const FrameHeader& header, Crc16* crc, FrameSynthesis& synth) {
    SynthesisFilter* filter0 = synth.filter(0);
    SynthesisFilter* filter1 = synth.filter(1);
    const bool layer2 = header.layer() == 2;
    const decoder::AllocTable* table =
        layer2 ? &decoder::layer2AllocTable(header.version(), header.bitrateIndex(), header.mode(),
                                            header.sampleFrequencyIndex())
               : nullptr;
    // Coded subbands come from the allocation table itself, so a row always exists for each.
    const int subbands = layer2 ? table->sblimit : kSubbands;
    const int bound = header.mode() == FrameHeader::kJointStereo
                          ? std::min(header.modeExtension() * 4 + 4, subbands)
                          : subbands;
    const bool twoChannels = header.mode() != FrameHeader::kSingleChannel && filter1 != nullptr;
    const ChannelChoice choice = twoChannels ? ChannelChoice::Both : ChannelChoice::Left;

    std::unique_ptr<BandDecoder> bands[kSubbands];
    for (int sb = 0; sb < subbands; ++sb) bands[sb] = makeBand(header, table, sb, bound);

    bool allowed = true;
    for (int sb = 0; sb < subbands; ++sb) {
        bands[sb]->readAllocation(reader, header, crc);
        allowed = allowed && bands[sb]->allocationValid();
    }
    if (layer2)
        for (int sb = 0; sb < subbands; ++sb) bands[sb]->readScaleFactorSelection(reader, crc);
    if (crc) {
        const uint16_t sum = crc->value();
        crc->reset();
        if (sum != header.frameCrc()) return Layer12Result::CrcMismatch;
    }
    if (!allowed) return Layer12Result::ForbiddenAllocation;
    for (int sb = 0; sb < subbands; ++sb) bands[sb]->readScaleFactors(reader, header);

    // Subbands above this frame's limit stay silent, even when an earlier frame coded more.
    for (SynthesisFilter* f : {filter0, filter1})
        if (f) std::fill(f->samples() + subbands, f->samples() + kSubbands, 0.0f);

    synth.begin();
    bool lastGroup = false;
    while (!lastGroup) {
        for (int sb = 0; sb < subbands; ++sb) lastGroup = bands[sb]->readSamples(reader);
        bool groupDone = false;
        while (!groupDone) {
            for (int sb = 0; sb < subbands; ++sb) groupDone = bands[sb]->putNextSample(choice, filter0, filter1);
            synth.run(0);
            if (twoChannels) synth.run(1);
        }
    }
    return Layer12Result::Decoded;
}
