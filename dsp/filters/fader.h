#pragma once

#include <cstdint>

#include "dsp/core/dsp_effect.h"
#include "dsp/filters/crossfader_unit.h"
#include "dsp/filters/fader_unit.h"

// Two level faders and a cross-fader between them, each driven by a schedule of timed ramps
// counted in samples of the streams it has processed.
class Fader : public DspEffect {
public:
    Fader() { type = EffectType::Fader; }

    void setup(uint32_t frames, uint32_t channels, uint32_t sampleRate, float crossPosition, float fader0Db,
               float fader1Db);

    // Re-sizes and sets every unit up again from the initial values at the new rate; the clocks
    // restart at 0 and the schedules stay, measured on the new clocks.
    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override;
    // Channels 0..3: fader 0 left, fader 0 right, fader 1 left, fader 1 right.
    uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) override;

    // Runs fader 0 or 1 over one interleaved block. False, touching nothing, for another fader
    // number or a block larger than the buffers.
    bool fadePcm16(uint32_t fader, const int16_t* in, int16_t* out, uint32_t bytes);
    // A through fader 0, B through fader 1, then mixed by the cross-fader. False for a block
    // larger than the buffers.
    bool crossFadePcm16(const int16_t* inA, const int16_t* inB, int16_t* out, uint32_t bytes);
    // The same over interleaved floats of any scale, unclamped. False for more frames than the
    // buffers hold.
    bool crossFadeFloat(const float* inA, const float* inB, float* out, uint32_t frames);

    // False, changing nothing, for a fader number other than 0 and 1. A rejected time range
    // (see FaderUnit) still counts as handled.
    bool setFaderAction(uint32_t fader, float start, float end, float levelDb);
    bool delFaderAction(uint32_t fader, float start, float end);
    void setCrossFaderAction(float start, float end, float position);
    void delCrossFaderAction(float start, float end);
    void setCrossFaderCurve(float centreDb, float edgeDb, float centreWidth, float edgePosition);

    const FaderUnit& unit(uint32_t i) const { return units_[i]; }
    const CrossFaderUnit& crossUnit(uint32_t i) const { return cross_[i]; }

private:
    void setupUnits(uint32_t rate);
    // Interleaved floats into inL (and inR).
    void split(const float* in, uint32_t frames);
    // A (in inL/R) through fader 0 into scratchA/B.
    void fadeA(uint32_t frames);
    // B (in inL/R) through fader 1, mixed by the cross-fader with A's faded scratchA/B into outL/R.
    void mixCross(uint32_t frames);
    uint32_t framesOf(uint32_t bytes) const { return bytes / (isStereo() ? 4 : 2); }

    FaderUnit units_[4];
    CrossFaderUnit cross_[2];
    float crossPosition_ = 0.0f;
    float faderDb_[2] = {0.0f, 0.0f};
    bool curveGiven_ = false;
    float curve_[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
