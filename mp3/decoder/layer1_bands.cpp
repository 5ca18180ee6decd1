#include "mp3/decoder/layer1_bands.h"

#include "mp3/decoder/scale_factor_table.h"
#include "mp3/stream/crc16.h"
#include "mp3/stream/stream_reader.h"

namespace decoder {

namespace {

constexpr int kLayer1Groups = 12;
// Allocation 15 is forbidden: it would ask for 16-bit samples, beyond the 15 the layer allows.
constexpr uint32_t kLayer1ForbiddenAllocation = 15;

uint32_t readCrcBits(StreamReader& reader, uint32_t bits, Crc16* crc)
{
    const uint32_t v = reader.getBits(bits);
    if (crc)
        crc->addBits(v, bits);
    return v;
}

}  // namespace

bool Layer1Channel::setAllocation(uint32_t a)
{
    if (a == kLayer1ForbiddenAllocation) {
        allocation = 0;
        return false;
    }
    allocation = a;
    if (a != 0) {
        // n-bit samples requantise as s * 2/(2^n - 1) - (2^n - 2)/(2^n - 1).
        const float steps = static_cast<float>((1u << (a + 1)) - 1);
        factor = 2.0f / steps;
        offset = -(steps - 1.0f) / steps;
    }
    return true;
}

void Layer1Channel::readScaleFactor(StreamReader& reader)
{
    if (allocation)
        scale = kScaleFactors.values[reader.getBits(6)];
}

void Layer1Channel::readSample(StreamReader& reader)
{
    if (allocation)
        value = static_cast<float>(reader.getBits(allocation + 1)) * factor + offset;
}

}  // namespace decoder

void MonoBandI::readAllocation(StreamReader& reader, const FrameHeader&, Crc16* crc)
{
    allocationValid_ = ch0_.setAllocation(decoder::readCrcBits(reader, 4, crc));
}

void MonoBandI::readScaleFactors(StreamReader& reader, const FrameHeader&)
{
    ch0_.readScaleFactor(reader);
}

bool MonoBandI::readSamples(StreamReader& reader)
{
    ch0_.readSample(reader);
    if (++group_ < decoder::kLayer1Groups)
        return false;
    group_ = 0;
    return true;
}

namespace {

void putSample(GroupSlots* out, int subband, const decoder::Layer1Channel& ch)
{
    if (out)
        (*out)[0][subband] = ch.allocation ? ch.value * ch.scale : 0.0f;
}

}  // namespace

void MonoBandI::putGroup(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1) const
{
    putSample(target(choice, out0, out1, 0), subband_, ch0_);
}

void StereoBandI::readAllocation(StreamReader& reader, const FrameHeader&, Crc16* crc)
{
    const bool ok0 = ch0_.setAllocation(decoder::readCrcBits(reader, 4, crc));
    const bool ok1 = ch1_.setAllocation(decoder::readCrcBits(reader, 4, crc));
    allocationValid_ = ok0 && ok1;
}

void StereoBandI::readScaleFactors(StreamReader& reader, const FrameHeader&)
{
    ch0_.readScaleFactor(reader);
    ch1_.readScaleFactor(reader);
}

bool StereoBandI::readSamples(StreamReader& reader)
{
    ch0_.readSample(reader);
    ch1_.readSample(reader);
    if (++group_ < decoder::kLayer1Groups)
        return false;
    group_ = 0;
    return true;
}

void StereoBandI::putGroup(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1) const
{
    putSample(target(choice, out0, out1, 0), subband_, ch0_);
    putSample(target(choice, out0, out1, 1), subband_, ch1_);
}

void IntensityBandI::readAllocation(StreamReader& reader, const FrameHeader&, Crc16* crc)
{
    allocationValid_ = ch0_.setAllocation(decoder::readCrcBits(reader, 4, crc));
    ch1_.setAllocation(ch0_.allocation);
}

bool IntensityBandI::readSamples(StreamReader& reader)
{
    // One sample serves both channels; each keeps its own scale factor.
    ch0_.readSample(reader);
    ch1_.value = ch0_.value;
    if (++group_ < decoder::kLayer1Groups)
        return false;
    group_ = 0;
    return true;
}
