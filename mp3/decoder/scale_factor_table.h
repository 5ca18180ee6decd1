#pragma once

namespace decoder {

namespace detail {
constexpr double kCubeRootHalf = 0.79370052598409973737585281963615;  // 2^(-1/3)
constexpr float scaleFactor(int k)
{
    double v = 2.0;
    for (int q = 0; q < k / 3; ++q)
        v *= 0.5;
    for (int r = 0; r < k % 3; ++r)
        v *= kCubeRootHalf;
    return static_cast<float>(v);
}
}  // namespace detail

// Layer I and II scale factors 2 * 2^(-k/3) for the 6-bit index k = 0..62. Index 63 is not a
// valid scale factor; it gives 0.0 so that a corrupt index silences its band instead of reading
// past the table.
struct ScaleFactorTable {
    float values[64];
    constexpr ScaleFactorTable() : values()
    {
        for (int k = 0; k < 63; ++k)
            values[k] = detail::scaleFactor(k);
        values[63] = 0.0f;
    }
};

constexpr ScaleFactorTable kScaleFactors{};

}  // namespace decoder
