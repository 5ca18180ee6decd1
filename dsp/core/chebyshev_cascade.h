#pragma once

#include "dsp/core/biquad_cascade.h"

// Chebyshev type I cascade; design() uses a 1 dB pass-band ripple.
class ChebyshevCascade : public BiquadCascade {
public:
    void design(float sampleRate, float cutoff) override;
    // Ripple of the last Chebyshev design, dB.
    float rippleDb() const { return rippleDb_; }
};
