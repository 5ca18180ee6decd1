#include "mp3/decoder/layer2_bands.h"

#include <algorithm>

#include "mp3/decoder/layer2_group_tables.h"
#include "mp3/decoder/scale_factor_table.h"
#include "mp3/stream/crc16.h"
#include "mp3/stream/stream_reader.h"

namespace decoder {

namespace {

constexpr int kGroupsPerPart = 4;

uint32_t readCrcBits(StreamReader& reader, uint32_t bits, Crc16* crc)
{
    const uint32_t v = reader.getBits(bits);
    if (crc)
        crc->addBits(v, bits);
    return v;
}

// The table of a grouped class's codewords; a codeword has exactly the table's bits, so it
// always lies inside.
const float* groupTable(int levels)
{
    return levels == 3 ? &kGroup3.values[0][0] : levels == 5 ? &kGroup5.values[0][0] : &kGroup9.values[0][0];
}

}  // namespace

Layer2Bands::Layer2Bands(const AllocTable& table, int channels, int bound)
    : table_(table),
      channels_(std::clamp(channels, 1, 2)),
      bound_(channels_ == 2 ? std::clamp(bound, 0, table.sblimit) : table.sblimit)
{ }

void Layer2Bands::setAllocation(Band& band, const AllocRow& row, uint32_t allocation)
{
    band.coded = allocation != 0;
    if (!band.coded)
        return;
    // allocation has nbal bits and every row lists a class for each non-zero value, so
    // allocation - 1 < 15.
    const QuantClass& cls = kQuantClasses[row.classes[allocation - 1]];
    band.bits = static_cast<uint32_t>(cls.bits);
    band.groups = cls.grouped ? groupTable(cls.levels) : nullptr;
    band.step = 2.0f / static_cast<float>(1u << cls.bits);
    band.c = cls.c;
    band.d = cls.d;
}

void Layer2Bands::readAllocation(StreamReader& reader, Crc16* crc)
{
    for (int sb = 0; sb < table_.sblimit; ++sb) {
        const AllocRow& row = *table_.rows[sb];
        const auto bits = static_cast<uint32_t>(row.nbal);
        Band* b = bands_[sb];
        if (sb < bound_) {
            for (int ch = 0; ch < channels_; ++ch)
                setAllocation(b[ch], row, readCrcBits(reader, bits, crc));
        } else {
            const uint32_t a = readCrcBits(reader, bits, crc);
            setAllocation(b[0], row, a);
            setAllocation(b[1], row, a);
        }
    }
}

void Layer2Bands::readScaleFactorSelection(StreamReader& reader, Crc16* crc)
{
    for (int sb = 0; sb < table_.sblimit; ++sb)
        for (int ch = 0; ch < channels_; ++ch)
            if (bands_[sb][ch].coded)
                bands_[sb][ch].scfsi = readCrcBits(reader, 2, crc);
}

void Layer2Bands::readScaleFactors(StreamReader& reader)
{
    const float* sf = kScaleFactors.values;  // 64 entries: any 6-bit index is inside
    for (int sb = 0; sb < table_.sblimit; ++sb) {
        for (int ch = 0; ch < channels_; ++ch) {
            Band& b = bands_[sb][ch];
            if (!b.coded)
                continue;
            float* scale = b.scale;
            switch (b.scfsi) {
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
    }
}

void Layer2Bands::readGroup(StreamReader& reader, int g, float (*out0)[32], float (*out1)[32])
{
    float scratch[3][32];
    float(*o0)[32] = out0;
    float(*o1)[32] = out1 != nullptr ? out1 : scratch;
    const int part = g / kGroupsPerPart;
    BitReader bits = reader.bodyBits();
    // The three samples of a coded band's next codewords, before the scale factor.
    auto read = [&bits](const Band& b, float* values) {
        if (b.groups != nullptr) {
            const float* triple = b.groups + 3 * bits.get(b.bits);
            values[0] = triple[0];
            values[1] = triple[1];
            values[2] = triple[2];
            return;
        }
        // A b-bit sample s is the fraction s * 2^(1-b) - 1; requantised as (fraction + D) * C.
        for (int i = 0; i < 3; ++i)
            values[i] = (static_cast<float>(bits.get(b.bits)) * b.step - 1.0f + b.d) * b.c;
    };
    auto put = [part](const Band& b, const float* values, float(*o)[32], int sb) {
        if (!b.coded) {
            o[0][sb] = o[1][sb] = o[2][sb] = 0.0f;
            return;
        }
        const float scale = b.scale[part];
        o[0][sb] = values[0] * scale;
        o[1][sb] = values[1] * scale;
        o[2][sb] = values[2] * scale;
    };
    float values[3];
    const int bound = bound_;
    const int limit = table_.sblimit;
    int sb = 0;
    if (channels_ == 1) {
        for (; sb < limit; ++sb) {
            const Band& b = bands_[sb][0];
            if (b.coded)
                read(b, values);
            put(b, values, o0, sb);
        }
    } else {
        for (; sb < bound; ++sb) {
            const Band* b = bands_[sb];
            if (b[0].coded)
                read(b[0], values);
            put(b[0], values, o0, sb);
            if (b[1].coded)
                read(b[1], values);
            put(b[1], values, o1, sb);
        }
    }
    // Joint stereo from the bound up: one sample set for both channels.
    for (; sb < limit; ++sb) {
        const Band* b = bands_[sb];
        if (b[0].coded)
            read(b[0], values);
        put(b[0], values, o0, sb);
        put(b[1], values, o1, sb);
    }
    reader.continueAt(bits);
}

}  // namespace decoder
