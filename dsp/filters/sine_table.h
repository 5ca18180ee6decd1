#pragma once

#include <cstdint>

// One cycle of sin in 1024 steps plus a guard entry repeating the start, so that a linear
// interpolation at the last step reads inside the table. Built on first use (an effect's
// set-up) and read-only afterwards, so any thread may read it.
class SineTable {
public:
    static constexpr uint32_t kSize = 1024;
    static constexpr uint32_t kMask = kSize - 1;
    // Turns radians into table positions.
    static constexpr float kScale = 1024.0f / 6.283185307179586f;

    static const SineTable& instance();

    const float* data() const { return values_; }
    float operator[](uint32_t i) const { return values_[i]; }

    // sin at a table position pos >= 0, linearly interpolated; positions past one cycle wrap.
    float at(double pos) const
    {
        const auto i0 = static_cast<uint32_t>(pos);
        const uint32_t idx = i0 & kMask;
        const float frac = static_cast<float>(pos - i0);
        return values_[idx] + frac * (values_[idx + 1] - values_[idx]);
    }

private:
    SineTable();
    float values_[kSize + 1];
};
