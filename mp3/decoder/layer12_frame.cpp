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

    // Each channel's rows of subband samples, synthesized in one run once the frame's are read.
    alignas(32) float rows[2][3 * kGroups][kSubbands];
    const int synthesized = twoChannels ? 2 : 1;
    if (header.layer() == 1) {
        decoder::Layer1Bands bands(channels, joint ? std::min(jointBound, kSubbands) : kSubbands);
        const bool allowed = bands.readAllocation(reader, crc);
        if (!crcMatches(crc, header))
            return Layer12Result::CrcMismatch;
        if (!allowed)
            return Layer12Result::ForbiddenAllocation;
        bands.readScaleFactors(reader);
        synth.begin();
        // Every subband of every row is written.
        for (int g = 0; g < kGroups; ++g)
            bands.readGroup(reader, rows[0][g], twoChannels ? rows[1][g] : nullptr);
        for (int ch = 0; ch < synthesized; ++ch)
            synth.runRows(ch, rows[ch][0], kGroups);
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
    // Subbands above the table's limit are never read: silent, even when an earlier frame coded more.
    for (auto& channel : rows)
        for (float* row : channel)
            std::fill(row + table.sblimit, row + kSubbands, 0.0f);
    for (int g = 0; g < kGroups; ++g)
        bands.readGroup(reader, g, rows[0] + 3 * g, twoChannels ? rows[1] + 3 * g : nullptr);
    for (int ch = 0; ch < synthesized; ++ch)
        synth.runRows(ch, rows[ch][0], 3 * kGroups);
    return Layer12Result::Decoded;
}
