#pragma once

#include <cstdint>
#include <memory>

#include "dsp/core/dsp_object.h"
#include "dsp/filters/graphic_eq_band.h"
#include "orvane/dsp.h"

// One channel's bank of parallel bands, their weighted outputs summed and scaled by the master
// factor. A FastHeap work buffer holds the input while a block is processed in place.
class GraphicEQChannel : public DspObject {
public:
    GraphicEQChannel() = default;
    ~GraphicEQChannel() override;

    // Designs every band from params at this rate with cleared state, sizing the work buffer
    // for frames; band storage grows as needed.
    void design(int32_t sampleRate, uint32_t frames, uint32_t bandCount, const GraphicEQBandParams* params,
                float masterGainDb);
    // Grows the work buffer to at least frames; bands and state are untouched.
    void reserve(uint32_t frames);
    void setMasterGain(float masterGainDb);

    // Filters frames from in to out (may be the same array); returns frames.
    uint32_t process(const float* in, float* out, uint32_t frames);

    GraphicEQBand& band(uint32_t k) { return bands_[k]; }
    const GraphicEQBand& band(uint32_t k) const { return bands_[k]; }
    uint32_t bandCount() const { return bandCount_; }
    float masterFactor() const { return master_; }
    int32_t sampleRate() const { return sampleRate_; }

private:
    void processBlock(const float* in, float* out, uint32_t frames);

    uint32_t workCapacity_ = 0;
    uint32_t bandCount_ = 0;
    uint32_t bandCapacity_ = 0;
    int32_t sampleRate_ = 0;
    float master_ = 1.0f;
    std::unique_ptr<GraphicEQBand[]> bands_;
    float* work_ = nullptr;
};
