#pragma once

#include <cstdint>

#include "dsp/core/dsp_effect.h"
#include "dsp/filters/chorus_channel.h"

// Chorus: the dry signal mixed with several delayed copies of itself whose delays one sine
// LFO sweeps. Times in ms (the LFO period in s), levels in percent.
class Chorus : public DspEffect {
public:
    // More voices than this are refused: each costs a line read per sample.
    static constexpr uint32_t kMaxVoices = 64;

    Chorus() { type = EffectType::Chorus; }

    // Sizes the buffers and sets both channels up. False when out of memory or voices is
    // above kMaxVoices.
    bool setup(uint32_t frames, uint32_t channels, uint32_t sampleRate, const ChorusChannel::Params& params);

    // Re-sizes and sets both channels up again at the new rate: silent lines, LFO restarted,
    // every voice back to the last mix given.
    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override;
    uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) override;

    void setDelaytime(float delayMs);
    void setDepth(float depthMs);
    void setSpeed(float speedSeconds);
    bool setMix(uint32_t voice, float mixPercent);
    void setOrgMix(float orgMixPercent);

    const ChorusChannel& channel(uint32_t c) const { return channels_[c]; }

private:
    bool setupChannels(uint32_t rate);

    ChorusChannel channels_[2];
    ChorusChannel::Params params_{};
};
