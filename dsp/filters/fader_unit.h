#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/core/dsp_object.h"

// One scheduled ramp: from the value the previous ramp ended at (or the unit's starting
// value) to target, over samples [start, end) of the unit's clock.
struct FaderAction {
    uint64_t start;
    uint64_t end;
    float target;
};

// One channel of a level fader: a sample clock and a schedule of ramps in dB. Between ramps the
// gain holds. Ramps never overlap: a new one takes over the part of the schedule it meets.
class FaderUnit : public DspObject {
public:
    // Sets the value and gain to initial and restarts the clock at 0. A unit set up again keeps
    // its schedule, measured on the restarted clock, and arms its first ramp.
    void setup(uint32_t sampleRate, float initial);

    // Schedules a ramp to target over [startSeconds, endSeconds). False, changing nothing,
    // unless both times lie after the samples already processed and start is not after end.
    // A ramp of one sample (or of times on the same sample) is a step to target at that sample.
    // A ramp running at the new start is cut short there and ends at the value it had reached;
    // a ramp that also runs past the new end is split, its tail going on from there to its own
    // target; ramps wholly inside are dropped, one reaching past the end starts there instead.
    bool addAction(float startSeconds, float endSeconds, float target);
    // Clears [startSeconds, endSeconds) from the schedule, cut as addAction cuts; same rule.
    bool deleteRange(float startSeconds, float endSeconds);

    // out = gain * in; out may be in.
    void process(const float* in, float* out, uint32_t frames);

    // Seconds to samples of this unit's clock; negative and NaN give 0.
    uint64_t toSamples(float seconds) const;
    uint64_t now() const { return clock_; }
    float value() const { return value_; }
    float gain() const { return gain_; }
    const std::vector<FaderAction>& schedule() const { return actions_; }
    size_t firstPending() const { return head_; }

protected:
    // Works out the gain(s) for a value: the dB table here, the curve for a cross-fader.
    virtual void applyValue(float value);
    // Takes the schedule's step at the current sample and returns how many samples, at most
    // remaining, run before the next step can come.
    uint32_t beginRun(uint32_t remaining);
    float rampValue(uint64_t t) const { return level_ + float(t - actions_[head_].start) * slope_; }
    bool ramping() const { return active_; }

    float value_ = 0.0f;
    float gain_ = 1.0f;
    uint64_t clock_ = 0;

private:
    // out = gain * in between ramps.
    void holdGain(const float* in, float* out, uint32_t frames) const;
    bool edit(uint64_t start, uint64_t end, const FaderAction* inserted);
    void armHead();

    bool active_ = false;   // the head ramp is running
    bool pending_ = false;  // the head ramp starts when its start sample comes
    float msPerSample_ = 0.0f;
    float level_ = 0.0f;  // value at the start of the running ramp
    float slope_ = 0.0f;  // value change per sample of the running ramp
    std::vector<FaderAction> actions_;
    size_t head_ = 0;  // actions before it have run; dropped at the next edit
};
