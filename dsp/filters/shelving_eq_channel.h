#pragma once

#include <cstdint>
#include <memory>

#include "dsp/core/dsp_object.h"
#include "dsp/filters/radix2_transform.h"

// One channel of the shelving equaliser: the 4n - 1 tap FIR designed from n gains, its delay
// line, and the transform that turns the sampled response into taps.
class ShelvingEQChannel : public DspObject {
public:
    // Inputs filtered per pass; the history buffer holds this many plus the delay line.
    static constexpr uint32_t kChunk = 256;

    // Sizes the channel for n gains (a power of two); the delay line starts cleared and is kept
    // when n does not grow. Returns false, changing nothing, for other n.
    bool prepare(uint32_t n);
    // Designs the taps from all n gains (dB) and sets the output level (dB).
    void design(const float* gainsDb, float outputLevelDb);
    // Sets gain `band` (dB, band < n) and re-designs the taps; the output level is kept.
    void setGain(uint32_t band, float gainDb);
    void setOutputLevel(float outputLevelDb);

    // Filters frames from in to out (may be the same array); returns frames.
    uint32_t process(const float* in, float* out, uint32_t frames);

    uint32_t gainCount() const { return n_; }
    uint32_t tapCount() const { return n_ == 0 ? 0 : 4 * n_ - 1; }
    const float* taps() const { return h_.get(); }
    const float* window() const { return window_.get(); }
    // The cosine series of the sampled response (2n values) from the last design.
    const float* response() const { return r_.get(); }
    float outputFactor() const { return outputFactor_; }
    // Past input j samples back (j >= 1), as the delay line holds it.
    float delayed(uint32_t j) const { return history_[tapCount() - 1 - j]; }

private:
    void redesign();
    void filterChunk(float* out, uint32_t frames);

    uint32_t n_ = 0;
    float outputFactor_ = 1.0f;
    Radix2Transform transform_;
    std::unique_ptr<float[]> h_;
    std::unique_ptr<float[]> window_;
    std::unique_ptr<float[]> sampled_;
    std::unique_ptr<float[]> r_;
    std::unique_ptr<float[]> re_;
    std::unique_ptr<float[]> im_;
    // The last taps - 1 inputs, oldest first, followed by room for one chunk of new input.
    std::unique_ptr<float[]> history_;
    std::unique_ptr<float[]> acc_;
};
