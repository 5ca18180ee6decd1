#pragma once

#include <cstdint>
#include <vector>

#include "dsp/core/dsp_object.h"

// A delay of L samples with an optional all-pass feedback g; with g = 0 a pure delay.
class DelayLine : public DspObject {
public:
    // Length at least 1; zeroes the line.
    void setup(uint32_t length, float feedback);
    float step(float x)
    {
        pos_ = pos_ + 1 == buf_.size() ? 0 : pos_ + 1;
        const float v = buf_[pos_];
        buf_[pos_] = x - g_ * v;
        return g_ * buf_[pos_] + v;
    }
    uint32_t length() const { return static_cast<uint32_t>(buf_.size()); }

private:
    std::vector<float> buf_;
    uint32_t pos_ = 0;
    float g_ = 0.0f;
};
