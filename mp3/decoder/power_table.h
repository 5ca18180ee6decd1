#pragma once

// The requantisation powers |i|^(4/3) and 2^(k/4), as constant data worked out by the compiler,
// so no table is built at start-up.
namespace layer3 {

constexpr int kPowerTableMax = 16383;

struct PowerTables {
    float power[2 * kPowerTableMax + 1];  // sign(i) |i|^(4/3) at [i + kPowerTableMax]
    float gain[64];                       // 2^(-i/2)
    float global[256];                    // 2^((i - 210) / 4)
};

extern const PowerTables kPowerTables;

}  // namespace layer3
