#include "dsp/core/envelope_follower.h"

#include <algorithm>
#include <cmath>

void EnvelopeFollower::setup(uint32_t newBlockFrames, float newRate, uint32_t order, float cutoff, float newInGain,
                             bool newApplyOutGain, float newOutGain)
{
    // Everything that allocates comes first, into new storage, so a failure leaves the follower as it was.
    const bool resize = !ready || newRate != rate;
    const auto newWindowLen = static_cast<uint32_t>(std::floor(0.001 * newRate));
    std::vector<uint64_t> at;
    std::vector<float> value;
    if (resize) {
        // A window of 0 samples holds nothing: each sample is its own peak, as with 1.
        at.assign(std::max<uint32_t>(newWindowLen, 1), 0);
        value.assign(at.size(), 0.0f);
    }
    smoother.setOrder(static_cast<int32_t>(order), 0);
    if (resize) {
        windowLen = newWindowLen;
        candidateAt_.swap(at);
        candidate_.swap(value);
    }
    // Cleared history: the window holds silence, which no rectified sample is below.
    front_ = count_ = 0;
    sample_ = 0;
    blockFrames = newBlockFrames;
    rate = newRate;
    smoother.design(newRate, cutoff);
    inGain = newInGain;
    applyOutGain = newApplyOutGain;
    outGain = newOutGain;
    ready = 1;
}

uint32_t EnvelopeFollower::process(const float* in, float* out, uint32_t frames)
{
    if (!ready || frames > blockFrames)
        return 0;
    const uint32_t size = static_cast<uint32_t>(candidate_.size());
    for (uint32_t i = 0; i < frames; ++i, ++sample_) {
        const float x = std::fabs(in[i]) * inGain;
        // Older candidates not above x can never be the maximum again.
        while (count_ > 0 && candidate_[(front_ + count_ - 1) % size] <= x)
            --count_;
        // The front leaves once it falls out of the window (the current sample and size - 1 before).
        if (count_ > 0 && candidateAt_[front_] + size <= sample_) {
            front_ = (front_ + 1) % size;
            --count_;
        }
        const uint32_t back = (front_ + count_) % size;
        candidateAt_[back] = sample_;
        candidate_[back] = x;
        ++count_;
        out[i] = candidate_[front_];
    }
    smoother.process(out, out, frames);
    if (applyOutGain)
        for (uint32_t i = 0; i < frames; ++i)
            out[i] *= outGain;
    return 1;
}
