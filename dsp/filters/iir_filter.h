#pragma once

#include <cstdint>

#include "dsp/core/chebyshev_cascade.h"
#include "dsp/core/dsp_effect.h"

// Chebyshev type I low-pass or high-pass (1 dB ripple), one cascade per channel.
class IirFilter : public DspEffect {
public:
    // kind 1 is high-pass, anything else low-pass. Orders above BiquadCascade::kMaxOrder are clamped.
    IirFilter(int32_t order, float cutoff, int32_t kind);

    // Sets up both cascades for the block size and rate; a new rate redesigns them and clears
    // their state, the same rate keeps them running.
    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override;
    uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) override;

    const ChebyshevCascade& cascade(uint32_t channel) const { return cascades_[channel & 1]; }
    int32_t order() const { return order_; }
    float cutoff() const { return cutoff_; }
    int32_t kind() const { return kind_; }

private:
    void designCascades(uint32_t rate);

    ChebyshevCascade cascades_[2];
    int32_t order_;
    float cutoff_;
    int32_t kind_;
};
