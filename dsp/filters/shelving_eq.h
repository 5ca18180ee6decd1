#pragma once

#include <cstdint>
#include <memory>

#include "dsp/core/dsp_effect.h"
#include "dsp/filters/shelving_eq_channel.h"

// Linear-phase shelving equaliser: n gains spread from 0 Hz towards half the rate become a
// 4n - 1 tap FIR per channel (see ShelvingEQChannel). The design does not depend on the rate,
// so a new format keeps taps and delay lines.
class ShelvingEQ : public DspEffect {
public:
    static constexpr uint32_t kMaxGains = 1024;

    ShelvingEQ();

    // n must be a power of two in 1..kMaxGains; false otherwise.
    bool setup(uint32_t n, const float* gainsDb, float outputLevelDb);
    uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) override;

    // Returns false, changing nothing, for band >= gainCount().
    bool setGain(uint32_t band, float gainDb);
    void setOutputLevel(float outputLevelDb);

    uint32_t gainCount() const { return n_; }
    float gain(uint32_t band) const { return gains_[band]; }
    float outputLevel() const { return outputLevel_; }
    const ShelvingEQChannel& channel(uint32_t c) const { return channels_[c & 1]; }

private:
    ShelvingEQChannel channels_[2];
    uint32_t n_ = 0;
    float outputLevel_ = 0.0f;
    std::unique_ptr<float[]> gains_;
};
