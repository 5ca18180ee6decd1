#pragma once

#include <cstdint>
#include <vector>

#include "dsp/filters/chorus_delay_line.h"

// One channel of the chorus: the delay line read by every voice at a delay swept by one sine
// LFO, each voice at its own phase offset spread evenly over the cycle. The LFO is evaluated every
// kControlPeriod samples of the stream and each voice's delay interpolated linearly in between.
class ChorusChannel : public ChorusDelayLine {
public:
    struct Params {
        uint32_t voices;
        float delayMs;
        float depthMs;
        float speedSeconds;   // LFO period; 0 holds every voice at its phase offset
        float mixPercent;     // wet gain of every voice
        float orgMixPercent;  // dry gain
    };

    void release() override;
    // Clears the line, restarts the LFO and gives every voice the mix. False when out of memory.
    bool setup(uint32_t sampleRate, const Params& p);
    // out may be in. The line, the LFO time and the write index carry over between calls.
    virtual void process(const float* in, float* out, uint32_t frames);

    // Delay, depth and speed changes reach the voices at the next control point.
    void setDepthMs(float depthMs);
    void setSpeed(float speedSeconds);
    // False, changing nothing, when voice is not below the voice count.
    bool setMix(uint32_t voice, float mixPercent);
    void setOrgMix(float orgMixPercent) { dry = 0.01f * orgMixPercent; }

    uint32_t voiceCount() const { return static_cast<uint32_t>(gains.size()); }
    float voiceGain(uint32_t voice) const { return gains[voice]; }
    float lfoTimeMs() const { return lfoTime; }

    static constexpr uint32_t kControlPeriod = 32;

private:
    // Works out each voice's delay now and its step per sample up to the next control point.
    void plan();

    float depthSamples = 0.0f;
    float lfoFrequency = 0.0f;  // cycles per millisecond
    float msPerSample = 0.0f;
    float lfoPeriod = 0.0f;  // milliseconds
    float lastMix = 0.0f;
    float dry = 0.0f;
    float lfoTime = 0.0f;          // milliseconds, 0 .. lfoPeriod
    std::vector<float> phases;     // radians, one per voice
    std::vector<float> gains;      // one wet factor per voice
    std::vector<float> distances;  // samples back each voice reads now, 1 .. kMask
    std::vector<float> steps;      // change of each distance per sample until the next control point
    uint32_t untilControl = 0;     // samples left before the LFO is evaluated again
};
