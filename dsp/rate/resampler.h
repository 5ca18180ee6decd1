#pragma once

#include <cstdint>

#include "dsp/core/dsp_effect.h"
#include "dsp/core/format_limits.h"
#include "dsp/rate/resampler_channel.h"

// Sample-rate converter effect: one ResamplerChannel per channel; the output channel count may
// differ from the input's (mono is duplicated, stereo keeps its left channel).
class Resampler : public DspEffect {
public:
    Resampler() { type = EffectType::Resampler; }

    // Null when a rate is 0, stopbandDb or slopeDbPerOctave is not positive, or the output block
    // would not fit in memory.
    static Resampler* create(uint32_t frames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate,
                             uint32_t dstRate, int32_t interpolation, float stopbandDb, float slopeDbPerOctave,
                             bool antiAlias);

    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override;
    uint32_t getDstSize(uint32_t srcFrames) override;
    uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) override;
    uint32_t process(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames) override;
    // Interleaved 16-bit conversion; returns bytes written, 0 for a block above the capacity.
    uint32_t processPcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes) override;

    // Largest output block the buffers are sized for, in frames; guards absurd rate ratios.
    static constexpr uint32_t kMaxOutFrames = kMaxEffectFrames;

    ResamplerChannel channels[2];
    int32_t interpolation = 0;
    float stopbandDb = 0.0f;
    float slopeDbPerOctave = 0.0f;
    bool antiAlias = false;

private:
    void initChannels(uint32_t frames, uint32_t srcRate);
    void growOutput(uint32_t frames);

    uint32_t outCapacity_ = 0;
};
