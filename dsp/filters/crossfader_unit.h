#pragma once

#include <cstdint>

#include "dsp/filters/fader_unit.h"

// One channel of the cross-fader: a position from -1 (input B alone) to +1 (input A alone)
// scheduled like a fader level, and the curve that turns it into the two inputs' gains.
class CrossFaderUnit : public FaderUnit {
public:
    CrossFaderUnit() { setCurve(-1.0f, -40.0f, 0.05f, 0.8f); }

    // Curve: both inputs at centreDb at position 0; the near input at full level from
    // |centreWidth| on; the far input falling linearly in dB to edgeDb at |edgePosition| and
    // silent beyond. The gains change the next time the position is worked out.
    void setCurve(float centreDb, float edgeDb, float centreWidth, float edgePosition);

    // out = gainA * inA + gainB * inB; out may be either input.
    void process(const float* inA, const float* inB, float* out, uint32_t frames);

    float gainA() const { return gainA_; }
    float gainB() const { return gainB_; }

protected:
    void applyValue(float position) override;

private:
    float centre_ = 0.0f;
    float edge_ = 0.0f;
    float width_ = 0.0f;
    float edgePos_ = 0.0f;
    float nearSlopeA_ = 0.0f;  // -centre / width
    float farSlopeA_ = 0.0f;   // (centre - edge) / edgePos
    float nearSlopeB_ = 0.0f;  // centre / width
    float farSlopeB_ = 0.0f;   // (edge - centre) / edgePos
    float gainA_ = 0.0f;
    float gainB_ = 0.0f;
};
