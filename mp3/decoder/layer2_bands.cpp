#include "mp3/decoder/layer2_bands.h"

#include "mp3/decoder/layer2_group_tables.h"
#include "mp3/decoder/scale_factor_table.h"
#include "mp3/stream/crc16.h"
#include "mp3/stream/stream_reader.h"

namespace decoder {

namespace {

constexpr int kLayer2Groups = 12;
constexpr int kGroupsPerPart = 4;

uint32_t readCrcBits(StreamReader& reader, uint32_t bits, Crc16* crc)
{
    const uint32_t v = reader.getBits(bits);
    if (crc)
        crc->addBits(v, bits);
    return v;
}

template<typename Table> void ungroup(const Table& table, uint32_t code, float* out)
{
    // code has exactly the table's codeword bits, so it is always inside the table.
    for (int i = 0; i < 3; ++i)
        out[i] = table.values[code][i];
}

}  // namespace

void Layer2Channel::setAllocation(const AllocRow& row, uint32_t a)
{
    // a has nbal bits and every row lists a class for each non-zero value, so a - 1 < 15.
    cls = a ? &kQuantClasses[row.classes[a - 1]] : nullptr;
}

void Layer2Channel::readScfsi(StreamReader& reader, Crc16* crc)
{
    if (cls)
        scfsi = readCrcBits(reader, 2, crc);
}

void Layer2Channel::readScaleFactors(StreamReader& reader)
{
    if (!cls)
        return;
    const float* sf = kScaleFactors.values;  // 64 entries: any 6-bit index is inside
    switch (scfsi) {
    case 0:
        scale[0] = sf[reader.getBits(6)];
        scale[1] = sf[reader.getBits(6)];
        scale[2] = sf[reader.getBits(6)];
        break;
    case 1:
        scale[0] = scale[1] = sf[reader.getBits(6)];
        scale[2] = sf[reader.getBits(6)];
        break;
    case 2:
        scale[0] = scale[1] = scale[2] = sf[reader.getBits(6)];
        break;
    default:
        scale[0] = sf[reader.getBits(6)];
        scale[1] = scale[2] = sf[reader.getBits(6)];
        break;
    }
}

void Layer2Channel::readSamples(StreamReader& reader)
{
    if (!cls)
        return;
    if (cls->grouped) {
        const uint32_t code = reader.getBits(static_cast<uint32_t>(cls->bits));
        switch (cls->levels) {
        case 3:
            ungroup(kGroup3, code, values);
            break;
        case 5:
            ungroup(kGroup5, code, values);
            break;
        default:
            ungroup(kGroup9, code, values);
            break;
        }
        return;
    }
    // A b-bit sample s is the fraction s * 2^(1-b) - 1; requantised as (fraction + D) * C.
    const float step = 2.0f / static_cast<float>(1u << cls->bits);
    for (float& v : values)
        v = (static_cast<float>(reader.getBits(static_cast<uint32_t>(cls->bits))) * step - 1.0f + cls->d) * cls->c;
}

}  // namespace decoder

bool MonoBandII::nextGroup()
{
    part_ = group_ / decoder::kGroupsPerPart;
    if (++group_ < decoder::kLayer2Groups)
        return false;
    group_ = 0;
    return true;
}

void MonoBandII::putSamples(GroupSlots* out, const decoder::Layer2Channel& ch) const
{
    if (!out)
        return;
    if (!ch.cls) {
        for (int s = 0; s < 3; ++s)
            (*out)[s][subband_] = 0.0f;
        return;
    }
    const float scale = ch.scale[part_];
    for (int s = 0; s < 3; ++s)
        (*out)[s][subband_] = ch.values[s] * scale;
}

void MonoBandII::readAllocation(StreamReader& reader, const FrameHeader&, Crc16* crc)
{
    ch0_.setAllocation(row_, decoder::readCrcBits(reader, static_cast<uint32_t>(row_.nbal), crc));
}

void MonoBandII::readScaleFactorSelection(StreamReader& reader, Crc16* crc)
{
    ch0_.readScfsi(reader, crc);
}

void MonoBandII::readScaleFactors(StreamReader& reader, const FrameHeader&)
{
    ch0_.readScaleFactors(reader);
}

bool MonoBandII::readSamples(StreamReader& reader)
{
    ch0_.readSamples(reader);
    return nextGroup();
}

void MonoBandII::putGroup(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1) const
{
    putSamples(target(choice, out0, out1, 0), ch0_);
}

void StereoBandII::readAllocation(StreamReader& reader, const FrameHeader&, Crc16* crc)
{
    const uint32_t bits = static_cast<uint32_t>(row_.nbal);
    ch0_.setAllocation(row_, decoder::readCrcBits(reader, bits, crc));
    ch1_.setAllocation(row_, decoder::readCrcBits(reader, bits, crc));
}

void StereoBandII::readScaleFactorSelection(StreamReader& reader, Crc16* crc)
{
    ch0_.readScfsi(reader, crc);
    ch1_.readScfsi(reader, crc);
}

void StereoBandII::readScaleFactors(StreamReader& reader, const FrameHeader&)
{
    ch0_.readScaleFactors(reader);
    ch1_.readScaleFactors(reader);
}

bool StereoBandII::readSamples(StreamReader& reader)
{
    ch0_.readSamples(reader);
    ch1_.readSamples(reader);
    return nextGroup();
}

void StereoBandII::putGroup(ChannelChoice choice, GroupSlots* out0, GroupSlots* out1) const
{
    putSamples(target(choice, out0, out1, 0), ch0_);
    putSamples(target(choice, out0, out1, 1), ch1_);
}

void IntensityBandII::readAllocation(StreamReader& reader, const FrameHeader&, Crc16* crc)
{
    const uint32_t a = decoder::readCrcBits(reader, static_cast<uint32_t>(row_.nbal), crc);
    ch0_.setAllocation(row_, a);
    ch1_.setAllocation(row_, a);
}

bool IntensityBandII::readSamples(StreamReader& reader)
{
    // One sample set serves both channels; each keeps its own scale factors.
    ch0_.readSamples(reader);
    for (int i = 0; i < 3; ++i)
        ch1_.values[i] = ch0_.values[i];
    return nextGroup();
}
