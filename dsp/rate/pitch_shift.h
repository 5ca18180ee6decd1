#pragma once

#include <cstdint>

#include "dsp/core/dsp_effect.h"
#include "dsp/core/format_limits.h"
#include "dsp/rate/pitch_shift_channel.h"

// Pitch shifter effect: up to an octave up or down without changing the length.
class PitchShift : public DspEffect {
public:
    PitchShift() { type = EffectType::PitchShift; }

    // Largest block, in frames.
    static constexpr uint32_t kMaxFrames = kMaxEffectFrames;

    // Null for a zero rate, a grain or interval shorter than one sample, non-finite values, or
    // more than kMaxFrames frames.
    // The channels start with the anti-alias filter off; the kept flag applies when a new rate
    // re-initialises them.
    static PitchShift* create(uint32_t frames, uint32_t channels, uint32_t sampleRate, float pitchCents,
                              float outLevelDb, float grainTime, float grainInterval, int32_t interpolation,
                              bool antiAlias);

    bool setPitch(float cents);
    bool setOutLevel(float outLevelDb);

    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override;
    uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) override;

    PitchShiftChannel channels[2];
    float pitchCents = 0.0f;
    float outLevelDb = 0.0f;
    float grainTime = 0.0f;
    float grainInterval = 0.0f;
    int32_t interpolation = 0;
    bool antiAlias = false;
};
