#pragma once

#include <cstdint>
#include <memory>

#include "dsp/core/dsp_effect.h"
#include "dsp/filters/graphic_eq_channel.h"
#include "orvane/dsp.h"

// Graphic equaliser: per channel a bank of parallel resonator bands (see GraphicEQChannel),
// both banks always designed. The band table is the source for redesigns at a new rate.
class GraphicEQ : public DspEffect {
public:
    static constexpr uint32_t kMaxBands = 1024;

    // bandCount must be 1..kMaxBands; the descriptions are copied.
    GraphicEQ(uint32_t bandCount, const GraphicEQBandParams* bands, float masterGainDb);

    // Grows the buffers; a new rate redesigns both banks from the band table and clears their
    // state, the same rate keeps them running.
    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override;
    uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) override;

    // Both return false, changing nothing, for band >= bandCount().
    bool setGain(uint32_t band, float gainDb);
    bool remakeBand(uint32_t band, float frequency, float zeroRadius, float poleRadius);
    void setMasterGain(float masterGainDb);

    uint32_t bandCount() const { return bandCount_; }
    const GraphicEQBandParams& bandParams(uint32_t band) const { return table_[band]; }
    float masterGain() const { return masterGain_; }
    const GraphicEQChannel& bank(uint32_t channel) const { return banks_[channel & 1]; }

private:
    GraphicEQChannel banks_[2];
    uint32_t bandCount_;
    std::unique_ptr<GraphicEQBandParams[]> table_;
    float masterGain_;
};
