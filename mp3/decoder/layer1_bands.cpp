#include "mp3/decoder/layer1_bands.h"

#include <algorithm>

#include "mp3/decoder/scale_factor_table.h"
#include "mp3/stream/crc16.h"
#include "mp3/stream/stream_reader.h"

namespace decoder {

namespace {

constexpr int kSubbands = 32;
// Allocation 15 is forbidden: it would ask for 16-bit samples, beyond the 15 the layer allows.
constexpr uint32_t kForbiddenAllocation = 15;

uint32_t readAllocationBits(StreamReader& reader, Crc16* crc)
{
    const uint32_t v = reader.getBits(4);
    if (crc)
        crc->addBits(v, 4);
    return v;
}

}  // namespace

Layer1Bands::Layer1Bands(int channels, int bound)
    : channels_(std::clamp(channels, 1, 2)), bound_(channels_ == 2 ? std::clamp(bound, 0, kSubbands) : kSubbands)
{ }

bool Layer1Bands::setAllocation(Band& band, uint32_t allocation)
{
    if (allocation == kForbiddenAllocation) {
        band.bits = 0;
        return false;
    }
    band.bits = allocation == 0 ? 0 : allocation + 1;
    if (allocation != 0) {
        // n-bit samples requantise as s * 2/(2^n - 1) - (2^n - 2)/(2^n - 1).
        const float steps = static_cast<float>((1u << band.bits) - 1);
        band.factor = 2.0f / steps;
        band.offset = -(steps - 1.0f) / steps;
    }
    return true;
}

bool Layer1Bands::readAllocation(StreamReader& reader, Crc16* crc)
{
    bool valid = true;
    for (int sb = 0; sb < kSubbands; ++sb) {
        Band* b = bands_[sb];
        if (sb < bound_) {
            for (int ch = 0; ch < channels_; ++ch)
                valid = setAllocation(b[ch], readAllocationBits(reader, crc)) && valid;
        } else {
            valid = setAllocation(b[0], readAllocationBits(reader, crc)) && valid;
            b[1].bits = b[0].bits;
            b[1].factor = b[0].factor;
            b[1].offset = b[0].offset;
        }
    }
    return valid;
}

void Layer1Bands::readScaleFactors(StreamReader& reader)
{
    for (int sb = 0; sb < kSubbands; ++sb)
        for (int ch = 0; ch < channels_; ++ch)
            if (bands_[sb][ch].bits != 0)
                bands_[sb][ch].scale = kScaleFactors.values[reader.getBits(6)];
}

void Layer1Bands::readGroup(StreamReader& reader, float* out0, float* out1)
{
    float scratch[kSubbands];
    float* const o0 = out0;
    float* const o1 = out1 != nullptr ? out1 : scratch;
    BitReader bits = reader.bodyBits();
    auto sample = [&bits](const Band& b) {
        return b.bits != 0 ? (static_cast<float>(bits.get(b.bits)) * b.factor + b.offset) * b.scale : 0.0f;
    };
    const int bound = bound_;
    int sb = 0;
    if (channels_ == 1) {
        for (; sb < kSubbands; ++sb)
            o0[sb] = sample(bands_[sb][0]);
    } else {
        for (; sb < bound; ++sb) {
            o0[sb] = sample(bands_[sb][0]);
            o1[sb] = sample(bands_[sb][1]);
        }
    }
    // Joint stereo from the bound up: one sample for both channels.
    for (; sb < kSubbands; ++sb) {
        const Band* b = bands_[sb];
        if (b[0].bits == 0) {
            o0[sb] = o1[sb] = 0.0f;
            continue;
        }
        const float value = static_cast<float>(bits.get(b[0].bits)) * b[0].factor + b[0].offset;
        o0[sb] = value * b[0].scale;
        o1[sb] = value * b[1].scale;
    }
    reader.continueAt(bits);
}

}  // namespace decoder
