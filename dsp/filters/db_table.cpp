#include "dsp/filters/db_table.h"

namespace {

// e^x in double precision for the table's range: x = k ln 2 + r with |r| <= ln 2 / 2, a Taylor
// series for e^r, scaled by 2^k. Its error stays far below what rounding to float keeps.
constexpr double expOf(double x)
{
    constexpr double kLn2 = 0.69314718055994530942;
    int k = static_cast<int>(x / kLn2 + (x < 0.0 ? -0.5 : 0.5));
    const double r = x - k * kLn2;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n < 24; ++n) {
        term *= r / n;
        sum += term;
    }
    for (; k > 0; --k)
        sum *= 2.0;
    for (; k < 0; ++k)
        sum *= 0.5;
    return sum;
}

}  // namespace

constexpr DbTable::DbTable() : values_()
{
    constexpr double kLn10 = 2.30258509299404568402;
    for (uint32_t i = 0; i <= kSteps; ++i)
        values_[i] = static_cast<float>(expOf(0.05 * (-50.0 + i * 100.0 / kSteps) * kLn10));
}

const DbTable& DbTable::instance()
{
    static constexpr DbTable table;
    return table;
}
