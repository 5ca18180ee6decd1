#include "mp3/decoder/layer12_frame.h"

#include <algorithm>

#include "mp3/decoder/frame_synthesis.h"
#include "mp3/decoder/layer1_bands.h"
#include "mp3/decoder/layer2_bands.h"
#include "mp3/stream/crc16.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"

namespace {

constexpr int kSubbands = 32;
constexpr int kGroups = 12;

// Checks the frame's check word once the protected fields are read; true when it matches or
// the frame has none.
bool crcMatches(Crc16* crc, const FrameHeader& header)
{
    if (crc == nullptr)
        return true;
    const uint16_t sum = crc->value();
    crc->reset();
    return sum == header.frameCrc();
}

}  // namespace

Layer12Result decodeLayer12Frame(StreamReader& reader, const FrameHeader& header, Crc16* crc, FrameSynthesis& synth)
{
    const bool codedStereo = header.mode() != FrameHeader::kSingleChannel;
    const int channels = codedStereo ? 2 : 1;
    // Channel 1 reaches a filter only when the synthesis has one for it.
    const bool twoChannels = codedStereo && synth.filter(1) != nullptr;
    const bool joint = header.mode() == FrameHeader::kJointStereo;
    const int jointBound = header.modeExtension() * 4 + 4;

    // Subbands above a frame's limit are never written, so they stay silent even when an earlier
    // frame coded more.
    decoder::GroupSlots slots[2] = {};
    decoder::GroupSlots* out1 = twoChannels ? &slots[1] : nullptr;
    if (header.layer() == 1) {
        decoder::Layer1Bands bands(channels, joint ? std::min(jointBound, kSubbands) : kSubbands);
        const bool allowed = bands.readAllocation(reader, crc);
        if (!crcMatches(crc, header))
            return Layer12Result::CrcMismatch;
        if (!allowed)
            return Layer12Result::ForbiddenAllocation;
        bands.readScaleFactors(reader);
        synth.begin();
        for (int g = 0; g < kGroups; ++g) {
            bands.readGroup(reader, slots[0][0], out1 != nullptr ? (*out1)[0] : nullptr);
            synth.runRows(0, slots[0][0], 1);
            if (twoChannels)
                synth.runRows(1, slots[1][0], 1);
        }
        return Layer12Result::Decoded;
    }

    // Coded subbands come from the allocation table itself, so a row always exists for each.
    const decoder::AllocTable& table = decoder::layer2AllocTable(header.version(), header.tableBitrateIndex(),
                                                                 header.mode(), header.sampleFrequencyIndex());
    decoder::Layer2Bands bands(table, channels, joint ? std::min(jointBound, table.sblimit) : table.sblimit);
    bands.readAllocation(reader, crc);
    bands.readScaleFactorSelection(reader, crc);
    if (!crcMatches(crc, header))
        return Layer12Result::CrcMismatch;
    bands.readScaleFactors(reader);
    synth.begin();
    for (int g = 0; g < kGroups; ++g) {
        bands.readGroup(reader, g, slots[0], out1);
        synth.runRows(0, slots[0][0], 3);
        if (twoChannels)
            synth.runRows(1, slots[1][0], 3);
    }
    return Layer12Result::Decoded;
}
