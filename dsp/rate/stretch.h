#pragma once

#include <cstdint>

#include "dsp/core/dsp_effect.h"
#include "dsp/core/format_limits.h"
#include "dsp/rate/stretch_channel.h"

// Time stretcher effect: from four times slower to eight times faster, pitch unchanged. Blocks
// run in pieces of at most 32768 frames; each yields trunc(frames * factor) frames.
class Stretch : public DspEffect {
public:
    Stretch() { type = EffectType::Stretch; }

    // Largest input block, in frames.
    static constexpr uint32_t kMaxFrames = kMaxEffectFrames;

    // Null for a zero rate, a grain or interval shorter than one sample, non-finite values, or
    // more than kMaxFrames frames.
    static Stretch* create(uint32_t frames, uint32_t channels, uint32_t sampleRate, float scale, float outLevelDb,
                           float grainTime, float grainInterval);

    bool setScale(float scale);
    bool setOutLevel(float outLevelDb);

    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override;
    uint32_t getDstSize(uint32_t srcFrames) override;
    // Both refuse (0, nothing written) a block above the input capacity or one whose output could
    // exceed the output capacity at the factor in force.
    uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) override;
    uint32_t process(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames) override;
    // Interleaved 16-bit stretch; returns bytes written, 0 when refused as above.
    uint32_t processPcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes) override;

    // Frames the output buffers hold.
    uint32_t outCapacity() const { return outCapacity_; }

    StretchChannel channels[2];
    float scale = 0.0f;
    float outLevelDb = 0.0f;
    float grainTime = 0.0f;
    float grainInterval = 0.0f;

private:
    bool fits(uint32_t frames) const;
    uint32_t runChannel(StretchChannel& c, const float* in, float* out, uint32_t frames);
    void growOutput();

    uint32_t outCapacity_ = 0;
};
