#include "mp3/decoder/power_table.h"

namespace layer3 {

namespace {

// 2^(q/4) for q = 0..3, to double precision.
constexpr double kQuarterPowers[4] = {1.0, 1.18920711500272106672, 1.41421356237309504880, 1.68179283050742908606};

// 2^(k/4) for any integer k: a quarter power times an exact power of two.
constexpr double quarterPower(int k)
{
    int whole = k >= 0 ? k / 4 : -((-k + 3) / 4);
    double v = kQuarterPowers[k - 4 * whole];
    for (; whole > 0; --whole)
        v *= 2.0;
    for (; whole < 0; ++whole)
        v *= 0.5;
    return v;
}

constexpr PowerTables makeTables()
{
    PowerTables t{};
    // Cube roots by Newton's method from just above the root, where each step falls towards it:
    // cbrt(i) <= cbrt(i - 1) (1 + 1 / (3 (i - 1))), so the previous root gives such a start.
    double root = 1.0;
    t.power[kPowerTableMax] = 0.0f;
    for (int i = 1; i <= kPowerTableMax; ++i) {
        if (i > 1) {
            double r = root * (1.0 + 1.0 / (3.0 * (i - 1))) + 1e-12;
            for (;;) {
                const double next = r - (r * r * r - i) / (3.0 * r * r);
                if (next >= r)
                    break;
                r = next;
            }
            root = r;
        }
        const float m = static_cast<float>(i * root);
        t.power[kPowerTableMax + i] = m;
        t.power[kPowerTableMax - i] = -m;
    }
    for (int i = 0; i < 64; ++i)
        t.gain[i] = static_cast<float>(quarterPower(-2 * i));
    for (int i = 0; i < 256; ++i)
        t.global[i] = static_cast<float>(quarterPower(i - 210));
    return t;
}

}  // namespace

constexpr PowerTables kPowerTables = makeTables();

}  // namespace layer3
