#pragma once

#include <cstdint>

#include "mp3/decoder/synthesis_filter.h"

class Crc16;
class FrameHeader;
class StreamReader;

// Which decoded channels reach the synthesis filters.
enum class ChannelChoice : int32_t {
    Both = 0,        // channel 0 into filter 0, channel 1 into filter 1
    Left = 1,        // only channel 0 (single-channel streams)
    RightAsMono = 2  // only channel 1, into filter 0
};

// Decoder of one coded subband of a Layer I or II frame: reads its part of each section of the
// frame body in turn and hands the requantised samples to the synthesis filter inputs.
class BandDecoder {
public:
    explicit BandDecoder(int32_t subband) : subband_(subband) {}
    virtual ~BandDecoder() = default;

    // Reads the bit allocation; crc (may be null) is fed every bit read.
    virtual void readAllocation(StreamReader& reader, const FrameHeader& header, Crc16* crc) = 0;
    virtual void readScaleFactors(StreamReader& reader, const FrameHeader& header) = 0;
    // Reads one sample group; true when it was the frame's last group.
    virtual bool readSamples(StreamReader& reader) = 0;
    // Puts the next sample into the filter inputs; true when the current group is handed out.
    virtual bool putNextSample(ChannelChoice choice, SynthesisFilter* filter0, SynthesisFilter* filter1) = 0;
    // Layer II only: scale-factor selection information, fed to crc.
    virtual void readScaleFactorSelection(StreamReader& reader, Crc16* crc) {}

    // False when the allocation read is one the standard forbids; the frame is then dropped.
    bool allocationValid() const { return allocationValid_; }
    int32_t subband() const { return subband_; }

protected:
    // Stores a channel's value into its filter's input at this subband, by the channel choice.
    void store(ChannelChoice choice, SynthesisFilter* filter0, SynthesisFilter* filter1, int ch, float value) const {
        SynthesisFilter* target = nullptr;
        switch (choice) {
        case ChannelChoice::Both: target = ch == 0 ? filter0 : filter1; break;
        case ChannelChoice::Left: target = ch == 0 ? filter0 : nullptr; break;
        case ChannelChoice::RightAsMono: target = ch == 1 ? filter0 : nullptr; break;
        }
        if (target) target->samples()[subband_] = value;
    }

    int32_t subband_;
    bool allocationValid_ = true;
};
