#pragma once

#include <cstdint>
#include <vector>

#include "orvane/tessor.h"

// What the output thread does to each pulled block before it is played: pitch (cents) through a
// pitch shifter, speed (per mille of tempo change) through a time stretcher, and optionally
// conversion to 48 kHz with added harmonics, all through libdsp. Settings are compared with the
// last block's on every block, so a change is heard from the next block on.
class LiveEffects {
public:
    // Speeds are held where the stretcher can follow: a quarter of the tempo up to eight times it.
    static constexpr float kMinSpeed = -750.0f;
    static constexpr float kMaxSpeed = 7000.0f;

    // rate and channels of the pulled stream, maxFrames per pull; out48k converts to 48 kHz.
    LiveEffects(uint32_t rate, uint32_t channels, uint32_t maxFrames, bool out48k);
    ~LiveEffects();
    LiveEffects(const LiveEffects&) = delete;
    LiveEffects& operator=(const LiveEffects&) = delete;

    uint32_t outputRate() const { return hqups_ != nullptr ? 48000u : rate_; }
    // The most frames one processed block can hold.
    uint32_t maxOutFrames() const;
    // Runs frames frames of interleaved floats in 16-bit scale; *out receives the result, valid
    // until the next call (the input itself when nothing changes the sound). Returns its frames.
    uint32_t process(const float* in, uint32_t frames, const TessorSettings& settings, const float** out);

    // Stretcher scale for a speed in per mille of tempo change: 1000 * log2(1 + speed / 1000).
    static float stretchScaleFor(float speedPerMille);

private:
    void apply(const TessorSettings& settings);

    uint32_t rate_;
    uint32_t channels_;
    uint32_t maxFrames_;
    void* pitch_ = nullptr;
    void* stretch_ = nullptr;
    void* hqups_ = nullptr;
    float pitchCents_ = 0.0f;
    float speed_ = 0.0f;
    float harmonics_ = 0.0f;
    std::vector<int16_t> pcmA_;
    std::vector<int16_t> pcmB_;
    std::vector<float> out_;
};
