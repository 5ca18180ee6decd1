#pragma once

#include "mp3/decoder/band_decoder.h"
#include "mp3/decoder/layer2_alloc_tables.h"

namespace decoder {

// Allocation, scale factors and the three current samples of one channel of a Layer II subband.
struct Layer2Channel {
    const QuantClass* cls = nullptr;  // null = no samples (allocation 0)
    uint32_t scfsi = 0;
    float scale[3] = {0.0f, 0.0f, 0.0f};
    float values[3] = {0.0f, 0.0f, 0.0f};  // requantised, before the scale factor

    void setAllocation(const AllocRow& row, uint32_t a);
    void readScfsi(StreamReader& reader, Crc16* crc);
    void readScaleFactors(StreamReader& reader);
    void readSamples(StreamReader& reader);
};

}  // namespace decoder

// Layer II, single channel. row is the subband's row of the frame's allocation table.
class MonoBandII : public BandDecoder {
public:
    MonoBandII(int32_t subband, const decoder::AllocRow& row) : BandDecoder(subband), row_(row) { }
    void readAllocation(StreamReader& reader, const FrameHeader& header, Crc16* crc) override;
    void readScaleFactorSelection(StreamReader& reader, Crc16* crc) override;
    void readScaleFactors(StreamReader& reader, const FrameHeader& header) override;
    bool readSamples(StreamReader& reader) override;
    void putGroup(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1) const override;

protected:
    // Moves the group counter on; true after the 12th group.
    bool nextGroup();
    // The three scaled samples of a channel's current group into slots 0..2 of out (may be null).
    void putSamples(GroupSlots* out, const decoder::Layer2Channel& ch) const;

    const decoder::AllocRow& row_;
    decoder::Layer2Channel ch0_;
    int32_t group_ = 0;  // groups read in this frame
    int32_t part_ = 0;   // scale factor part of the current group: groups 1-4, 5-8, 9-12
};

// Layer II, two channels coded separately (below the intensity bound).
class StereoBandII : public MonoBandII {
public:
    using MonoBandII::MonoBandII;
    void readAllocation(StreamReader& reader, const FrameHeader& header, Crc16* crc) override;
    void readScaleFactorSelection(StreamReader& reader, Crc16* crc) override;
    void readScaleFactors(StreamReader& reader, const FrameHeader& header) override;
    bool readSamples(StreamReader& reader) override;
    void putGroup(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1) const override;

protected:
    decoder::Layer2Channel ch1_;
};

// Layer II joint stereo from the intensity bound up: one allocation and one sample set for both
// channels, scale-factor selection and scale factors per channel.
class IntensityBandII : public StereoBandII {
public:
    using StereoBandII::StereoBandII;
    void readAllocation(StreamReader& reader, const FrameHeader& header, Crc16* crc) override;
    bool readSamples(StreamReader& reader) override;
};
