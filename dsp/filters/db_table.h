#pragma once

#include <cstdint>

// dB to linear factor from -50 dB to +50 dB in 2048 steps, linearly interpolated. Computed by the
// compiler, so loading the library costs nothing and any thread may read it.
class DbTable {
public:
    static constexpr uint32_t kSteps = 2048;
    static constexpr float kFloorDb = -50.0f;
    static constexpr float kCeilingDb = 50.0f;

    static const DbTable& instance();

    // The factor for db; levels outside -50 .. +50 dB (and NaN, taken as the floor) are clamped
    // to the table's ends instead of wrapping round it.
    float lookup(float db) const
    {
        const float pos = (db + 50.0f) * 20.48f;
        if (!(pos > 0.0f))
            return values_[0];
        if (pos >= float(kSteps))
            return values_[kSteps];
        const auto i0 = static_cast<uint32_t>(pos);
        return values_[i0] + (pos - float(i0)) * (values_[i0 + 1] - values_[i0]);
    }

    float operator[](uint32_t i) const { return values_[i]; }

private:
    constexpr DbTable();
    float values_[kSteps + 1];
};
