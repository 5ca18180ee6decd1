#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "dsp/core/dsp_object.h"
#include "dsp/core/envelope_follower.h"
#include "orvane/dsp.h"

// Finds note and beat attacks in a stream by following its envelope. A slice opens at the
// valley before a rise of at least minRise that reaches onLevel, and closes when the envelope
// drops below offLevel or when the next attack comes; slices shorter than minLength are
// closed by neither rule and keep growing.
class SliceDetector : public DspObject {
public:
    // Sizes for blocks of up to frames samples and forgets every slice. rate must be positive.
    void setup(uint32_t frames, float rate, float onDb, float offDb, float risePercent, float minSeconds);
    // Follows frames samples. False, doing nothing, for more frames than set up for.
    bool process(const float* in, uint32_t frames);
    // Closes an open slice at the current position; returns the slice count.
    uint32_t stop();

    // Slices in time order; each links to its neighbours, so callers can walk from any of them.
    const OrvaneSlice* slice(uint32_t index) const;
    uint32_t count() const { return static_cast<uint32_t>(slices_.size()); }
    bool inSlice() const { return inSlice_; }
    uint64_t position() const { return position_; }
    uint32_t maxFrames() const { return maxFrames_; }

private:
    void append(uint64_t start, uint64_t end);

    float sampleRate_ = 0.0f;
    float secondsPerSample_ = 0.0f;
    float onLevel_ = 0.0f;
    float offLevel_ = 0.0f;
    float minRise_ = 0.0f;
    uint64_t minLength_ = 0;
    uint32_t maxFrames_ = 0;
    bool inSlice_ = false;
    float valley_ = 1.0f;
    uint64_t valleyPos_ = 0;
    bool rising_ = false;
    float peak_ = 0.0f;
    uint64_t peakPos_ = 0;
    bool seekingValley_ = true;
    uint64_t sliceStart_ = 0;
    uint64_t sliceEnd_ = 0;
    uint64_t position_ = 0;
    EnvelopeFollower envelope_;
    std::vector<float> envelopeBuffer_;
    std::deque<OrvaneSlice> slices_;  // a deque keeps earlier records in place as it grows
};
