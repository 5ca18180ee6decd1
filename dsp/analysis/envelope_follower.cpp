#include "dsp/analysis/envelope_follower.h"

#include <algorithm>
#include <cmath>

void EnvelopeFollower::setup(uint32_t newBlockFrames, float newRate, uint32_t order, float cutoff, float newInGain,
                             bool newApplyOutGain, float newOutGain)
{
    const bool rateChanged = !ready || newRate != rate;
    if (rateChanged) {
        windowLen = static_cast<uint32_t>(std::floor(0.001 * newRate));
        carry.assign(windowLen, 0.0f);
    }
    std::fill(carry.begin(), carry.end(), 0.0f);
    if (rateChanged || newBlockFrames > blockFrames)
        work.assign(size_t(windowLen) + newBlockFrames, 0.0f);
    blockFrames = newBlockFrames;
    rate = newRate;
    smoother.setOrder(static_cast<int32_t>(order), 0);
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
    const uint32_t len = windowLen;
    float* w = work.data();
    std::copy(carry.begin(), carry.end(), w);
    for (uint32_t j = len; j < len + frames; ++j) {
        const float x = std::fabs(in[j - len]) * inGain;
        w[j] = x;
        // The current sample and the len - 1 before it.
        float peak = x;
        for (uint32_t k = j + 1 - len; k < j; ++k)
            peak = std::max(peak, w[k]);
        out[j - len] = peak;
    }
    std::copy(w + frames, w + frames + len, carry.begin());
    smoother.process(out, out, frames);
    if (applyOutGain)
        for (uint32_t i = 0; i < frames; ++i)
            out[i] *= outGain;
    return 1;
}
