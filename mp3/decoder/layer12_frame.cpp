#include "mp3/decoder/layer12_frame.h"

#include <algorithm>
#include <cstddef>
#include <new>

#include "mp3/decoder/frame_synthesis.h"
#include "mp3/decoder/layer1_bands.h"
#include "mp3/decoder/layer2_bands.h"
#include "mp3/stream/crc16.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"

namespace {

constexpr int kSubbands = 32;

// The band decoders of one frame, built in place, so a frame costs no heap allocation.
class FrameBands {
public:
    FrameBands() = default;
    FrameBands(const FrameBands&) = delete;
    FrameBands& operator=(const FrameBands&) = delete;
    ~FrameBands()
    {
        for (int sb = 0; sb < count_; ++sb)
            bands_[sb]->~BandDecoder();
    }

    template<class Band, class... Args> void add(const Args&... args)
    {
        static_assert(sizeof(Band) <= kSlotBytes && alignof(Band) <= alignof(std::max_align_t), "slot too small");
        bands_[count_] = new (storage_[count_]) Band(args...);
        ++count_;
    }
    BandDecoder& operator[](int sb) { return *bands_[sb]; }

private:
    static constexpr size_t kSlotBytes = std::max({sizeof(MonoBandI), sizeof(StereoBandI), sizeof(IntensityBandI),
                                                   sizeof(MonoBandII), sizeof(StereoBandII), sizeof(IntensityBandII)});
    alignas(std::max_align_t) unsigned char storage_[kSubbands][kSlotBytes];
    BandDecoder* bands_[kSubbands] = {};
    int count_ = 0;
};

void addBand(FrameBands& bands, const FrameHeader& header, const decoder::AllocTable* table, int sb, int bound)
{
    const bool mono = header.mode() == FrameHeader::kSingleChannel;
    const bool intensity = header.mode() == FrameHeader::kJointStereo && sb >= bound;
    if (header.layer() == 1) {
        if (mono)
            return bands.add<MonoBandI>(sb);
        if (intensity)
            return bands.add<IntensityBandI>(sb);
        return bands.add<StereoBandI>(sb);
    }
    const decoder::AllocRow& row = *table->rows[sb];
    if (mono)
        return bands.add<MonoBandII>(sb, row);
    if (intensity)
        return bands.add<IntensityBandII>(sb, row);
    return bands.add<StereoBandII>(sb, row);
}

}  // namespace

Layer12Result decodeLayer12Frame(StreamReader& reader, const FrameHeader& header, Crc16* crc, FrameSynthesis& synth)
{
    SynthesisFilter* filter1 = synth.filter(1);
    const bool layer2 = header.layer() == 2;
    const decoder::AllocTable* table = layer2 ? &decoder::layer2AllocTable(header.version(), header.bitrateIndex(),
                                                                           header.mode(), header.sampleFrequencyIndex())
                                              : nullptr;
    // Coded subbands come from the allocation table itself, so a row always exists for each.
    const int subbands = layer2 ? table->sblimit : kSubbands;
    const int bound
        = header.mode() == FrameHeader::kJointStereo ? std::min(header.modeExtension() * 4 + 4, subbands) : subbands;
    const bool twoChannels = header.mode() != FrameHeader::kSingleChannel && filter1 != nullptr;
    const ChannelChoice choice = twoChannels ? ChannelChoice::Both : ChannelChoice::Left;

    FrameBands bands;
    for (int sb = 0; sb < subbands; ++sb)
        addBand(bands, header, table, sb, bound);

    bool allowed = true;
    for (int sb = 0; sb < subbands; ++sb) {
        bands[sb].readAllocation(reader, header, crc);
        allowed = allowed && bands[sb].allocationValid();
    }
    if (layer2)
        for (int sb = 0; sb < subbands; ++sb)
            bands[sb].readScaleFactorSelection(reader, crc);
    if (crc) {
        const uint16_t sum = crc->value();
        crc->reset();
        if (sum != header.frameCrc())
            return Layer12Result::CrcMismatch;
    }
    if (!allowed)
        return Layer12Result::ForbiddenAllocation;
    for (int sb = 0; sb < subbands; ++sb)
        bands[sb].readScaleFactors(reader, header);

    // Each group goes to the filters slot by slot. Subbands above this frame's limit are never
    // written, so they stay silent even when an earlier frame coded more.
    GroupSlots slots[2] = {};
    GroupSlots* out1 = twoChannels ? &slots[1] : nullptr;
    const int slotsPerGroup = layer2 ? 3 : 1;
    synth.begin();
    bool lastGroup = false;
    while (!lastGroup) {
        for (int sb = 0; sb < subbands; ++sb)
            lastGroup = bands[sb].readSamples(reader);
        for (int sb = 0; sb < subbands; ++sb)
            bands[sb].putGroup(choice, &slots[0], out1);
        synth.runRows(0, slots[0][0], slotsPerGroup);
        if (twoChannels)
            synth.runRows(1, slots[1][0], slotsPerGroup);
    }
    return Layer12Result::Decoded;
}
