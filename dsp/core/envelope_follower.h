#pragma once

#include <cstdint>
#include <vector>

#include "dsp/core/butterworth_cascade.h"
#include "dsp/core/dsp_object.h"

// Level follower for meters: the rectified signal is held at its maximum over a 1 ms window,
// then smoothed by a Butterworth low-pass. The window maximum costs constant time per sample
// whatever the rate: a queue keeps only the samples that can still become the maximum, in
// falling order. The queue and the filter state carry over from block to block.
class EnvelopeFollower : public DspObject {
public:
    // Sizes for blocks of up to newBlockFrames and clears the history. rate must be positive. When
    // an allocation fails (throws), the follower is left as it was.
    void setup(uint32_t newBlockFrames, float newRate, uint32_t order, float cutoff, float newInGain,
               bool newApplyOutGain, float newOutGain);
    // Envelope of frames samples of in into out. Returns 1, or 0 before setup or for more
    // frames than the set-up size.
    uint32_t process(const float* in, float* out, uint32_t frames);

    uint32_t blockFrames = 0;
    ButterworthCascade smoother;
    float inGain = 1.0f;
    float outGain = 1.0f;
    bool applyOutGain = false;
    float rate = 0.0f;
    uint32_t windowLen = 0;

private:
    // Candidates for the window maximum: a ring of (sample number, value), values falling from
    // the front; the front is the maximum.
    std::vector<uint64_t> candidateAt_;
    std::vector<float> candidate_;
    uint32_t front_ = 0;
    uint32_t count_ = 0;
    uint64_t sample_ = 0;
};
