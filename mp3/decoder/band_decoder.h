#pragma once

#include <cstdint>

class Crc16;
class FrameHeader;
class StreamReader;

// One sample group of one synthesis filter's inputs: up to three time slots of 32 subbands.
using GroupSlots = float[3][32];

// Which decoded channels reach the synthesis filters.
enum class ChannelChoice : int32_t {
    Both = 0,        // channel 0 into filter 0, channel 1 into filter 1
    Left = 1,        // only channel 0 (single-channel streams)
    RightAsMono = 2  // only channel 1, into filter 0
};

// Decoder of one coded subband of a Layer I or II frame: reads its part of each section of the
// frame body in turn and hands each group of requantised samples to the synthesis inputs.
class BandDecoder {
public:
    explicit BandDecoder(int32_t subband) : subband_(subband) { }
    virtual ~BandDecoder() = default;

    // Reads the bit allocation; crc (may be null) is fed every bit read.
    virtual void readAllocation(StreamReader& reader, const FrameHeader& header, Crc16* crc) = 0;
    virtual void readScaleFactors(StreamReader& reader, const FrameHeader& header) = 0;
    // Reads one sample group; true when it was the frame's last group.
    virtual bool readSamples(StreamReader& reader) = 0;
    // Puts the group just read into this subband's column of the inputs of filter 0 and filter 1
    // (out1 null for one filter): one slot for Layer I, three for Layer II.
    virtual void putGroup(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1) const = 0;
    // Layer II only: scale-factor selection information, fed to crc.
    virtual void readScaleFactorSelection(StreamReader& reader, Crc16* crc) { }

    // False when the allocation read is one the standard forbids; the frame is then dropped.
    bool allocationValid() const { return allocationValid_; }
    int32_t subband() const { return subband_; }

protected:
    // Where a channel's samples go by the channel choice; null when they go nowhere.
    static GroupSlots* target(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1, int ch)
    {
        switch (choice) {
        case ChannelChoice::Both:
            return ch == 0 ? out0 : out1;
        case ChannelChoice::Left:
            return ch == 0 ? out0 : nullptr;
        case ChannelChoice::RightAsMono:
            return ch == 1 ? out0 : nullptr;
        }
        return nullptr;
    }

    int32_t subband_;
    bool allocationValid_ = true;
};
