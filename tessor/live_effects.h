#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "orvane/dsp.h"
#include "orvane/tessor.h"
#include "tessor/dsp_handle.h"

// What the output thread does to each pulled block before it is played: pitch (cents) through a
// pitch shifter, speed (per mille of tempo change) through a time stretcher, and optionally
// conversion to 48 kHz with added harmonics, all through libdsp. Settings are compared with the
// last block's on every block, so a change is heard from the next block on.
//
// At neutral pitch and speed the shifter and stretcher are left out and the pulled floats pass
// untouched. Blocks are pulled into a rotation of buffers that holds the last fraction of a second,
// so when either effect engages it is first run over that past and starts as if it had been running.
class LiveEffects {
public:
    // Speeds are held where the stretcher can follow: a quarter of the tempo up to eight times it.
    static constexpr float kMinSpeed = -750.0f;
    static constexpr float kMaxSpeed = 7000.0f;

    // rate and channels of the pulled stream, maxFrames per pull; out48k converts to 48 kHz.
    LiveEffects(uint32_t rate, uint32_t channels, uint32_t maxFrames, bool out48k);
    LiveEffects(const LiveEffects&) = delete;
    LiveEffects& operator=(const LiveEffects&) = delete;

    uint32_t outputRate() const { return hqups_ != nullptr ? 48000u : rate_; }
    // The most frames one processed block can hold.
    uint32_t maxOutFrames() const;
    // Where the next block is pulled: room for maxFrames frames of interleaved floats in 16-bit scale.
    float* input() { return inputs_.data() + static_cast<size_t>(current_) * maxFrames_ * channels_; }
    // Runs the frames just pulled into input() and moves input() on; *out receives the result,
    // valid until the next call (the pulled block itself when nothing changes the sound). Returns
    // its frames.
    uint32_t process(uint32_t frames, const TessorSettings& settings, const float** out);

    // Stretcher scale for a speed in per mille of tempo change: 1000 * log2(1 + speed / 1000).
    static float stretchScaleFor(float speedPerMille);

private:
    void apply(const TessorSettings& settings);
    bool engaged() const { return pitchCents_ != 0.0f || stretchScale_ != 0.0f; }
    // Runs frames of in through the engaged shifter and stretcher into pcmA_; the frames out.
    uint32_t shiftAndStretch(const float* in, uint32_t frames);
    // Runs the effects over the blocks pulled before the one in slot, oldest first.
    void prime(uint32_t slot);

    uint32_t rate_;
    uint32_t channels_;
    uint32_t maxFrames_;
    DspHandle<termPitchShift> pitch_;
    DspHandle<termStretch> stretch_;
    DspHandle<termHqups> hqups_;
    float pitchCents_ = 0.0f;
    float stretchScale_ = 0.0f;
    float harmonics_ = 0.0f;
    // slots_ pulled blocks of maxFrames_ frames, current_ the one being filled.
    std::vector<float> inputs_;
    std::vector<uint32_t> inputFrames_;
    uint32_t slots_ = 1;
    uint32_t current_ = 0;
    std::vector<int16_t> pcmA_;
    std::vector<int16_t> pcmB_;
    std::vector<float> out_;
};
