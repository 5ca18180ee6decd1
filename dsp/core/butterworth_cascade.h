#pragma once

#include "dsp/core/biquad_cascade.h"

// Butterworth cascade (maximally flat pass band).
class ButterworthCascade : public BiquadCascade {
public:
    // Rates that are not positive and finite, or a non-finite cutoff, change nothing.
    void design(float sampleRate, float cutoff) override;
};
