#pragma once

#include "mp3/decoder/band_decoder.h"

namespace decoder {

// Allocation, scale factor and requantisation of one channel of a Layer I subband.
struct Layer1Channel {
    uint32_t allocation = 0;  // 0 = no samples; else samples of allocation + 1 bits
    float factor = 0.0f;
    float offset = 0.0f;
    float scale = 0.0f;
    float value = 0.0f;  // last sample, requantised, before the scale factor

    // False for the forbidden allocation 15.
    bool setAllocation(uint32_t a);
    void readScaleFactor(StreamReader& reader);
    void readSample(StreamReader& reader);
};

}  // namespace decoder

// Layer I, single channel.
class MonoBandI : public BandDecoder {
public:
    using BandDecoder::BandDecoder;
    void readAllocation(StreamReader& reader, const FrameHeader& header, Crc16* crc) override;
    void readScaleFactors(StreamReader& reader, const FrameHeader& header) override;
    bool readSamples(StreamReader& reader) override;
    void putGroup(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1) const override;

protected:
    decoder::Layer1Channel ch0_;
    int32_t group_ = 0;
};

// Layer I, two channels coded separately (below the intensity bound).
class StereoBandI : public MonoBandI {
public:
    using MonoBandI::MonoBandI;
    void readAllocation(StreamReader& reader, const FrameHeader& header, Crc16* crc) override;
    void readScaleFactors(StreamReader& reader, const FrameHeader& header) override;
    bool readSamples(StreamReader& reader) override;
    void putGroup(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1) const override;

protected:
    decoder::Layer1Channel ch1_;
};

// Layer I joint stereo from the intensity bound up: one allocation and one sample for both
// channels, a scale factor per channel.
class IntensityBandI : public StereoBandI {
public:
    using StereoBandI::StereoBandI;
    void readAllocation(StreamReader& reader, const FrameHeader& header, Crc16* crc) override;
    bool readSamples(StreamReader& reader) override;
};
