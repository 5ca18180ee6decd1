#pragma once

#include <cstdint>

#include "dsp/core/dsp_effect.h"
#include "dsp/core/format_limits.h"
#include "dsp/rate/harmonics_channel.h"
#include "dsp/rate/resampler_channel.h"

// Upsampler to 48 kHz with synthetic harmonics: each channel is resampled, then a
// HarmonicsChannel adds the shaped residue of its top band. Stereo shares one edge, found on the
// mid signal.
class Hqups : public DspEffect {
public:
    static constexpr uint32_t kOutRate = 48000;
    // Largest block either side, in frames; guards absurd sizes and rates.
    static constexpr uint32_t kMaxFrames = kMaxEffectFrames;

    Hqups() { type = EffectType::Hqups; }

    struct Settings {
        uint32_t channels;
        uint32_t dstChannels;
        uint32_t srcRate;
        float harmonics;
        float mix;
        uint32_t bandCutoff;
        int32_t interpolation;
        float stopbandDb;
        float slopeDbPerOctave;
        int32_t activeMode;
        bool antiAlias;
    };

    // Sized by the largest output block; null when the rate is 0, the sizes are 0 or absurd,
    // or stopbandDb/slopeDbPerOctave are not positive.
    static Hqups* createForOutput(uint32_t dstFrames, const Settings& s);
    // Sized by the largest source block.
    static Hqups* createForSource(uint32_t srcFrames, const Settings& s);

    // The largest source block whose output never exceeds dstFrames at the current rates.
    uint32_t srcSizeFor(uint32_t dstFrames) const;
    static uint32_t srcSizeFor(uint32_t dstFrames, uint32_t srcRate);

    void setHarmonics(float h);
    void setMix(float mix);
    void setActiveMode(int32_t mode);

    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override;
    uint32_t getDstSize(uint32_t srcFrames) override;
    uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) override;
    uint32_t process(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames) override;
    // Interleaved 16-bit path; returns bytes written, 0 for more source frames than the capacity.
    uint32_t processPcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes) override;

    ResamplerChannel resamplers[2];
    HarmonicsChannel harmonicsChannels[2];
    float harmonics = 0.0f;
    float mix = 0.0f;
    uint32_t bandCutoff = 0;
    int32_t interpolation = 0;
    float stopbandDb = 0.0f;
    float slopeDbPerOctave = 0.0f;
    int32_t activeMode = 0;
    bool antiAlias = false;

private:
    static bool valid(const Settings& s);
    void configure(uint32_t srcFrames, const Settings& s);
    void sizeChannels(uint32_t srcFrames, uint32_t srcRate);
    float edgeFor(const float* x, uint32_t n);

    uint32_t outCapacity_ = 0;
};
