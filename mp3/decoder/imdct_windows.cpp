#include "mp3/decoder/imdct_windows.h"

#include <cmath>

namespace layer3 {
namespace {

constexpr double kPi = 3.14159265358979323846;

double rawLongWindow(int type, int i)
{
    const double normal = std::sin((i + 0.5) * kPi / 36.0);
    switch (type) {
    case 1:  // start
        if (i < 18)
            return normal;
        if (i < 24)
            return 1.0;
        if (i < 30)
            return std::sin((i - 18 + 0.5) * kPi / 12.0);
        return 0.0;
    case 3:  // stop
        if (i < 6)
            return 0.0;
        if (i < 12)
            return std::sin((i - 6 + 0.5) * kPi / 12.0);
        if (i < 18)
            return 1.0;
        return normal;
    default:
        return normal;
    }
}

ImdctWindows* makeWindows()
{
    auto* w = new ImdctWindows();
    for (int type = 0; type < 4; ++type) {
        for (int i = 0; i < 36; ++i) {
            const int n = longSourceIndex(i);
            const double fold = 1.0 / (2.0 * std::cos(kPi * (2 * n + 1) / 72.0));
            w->longWindow[type][i] = static_cast<float>(rawLongWindow(type, i) * longSourceSign(i) * fold);
        }
    }
    for (int i = 0; i < 12; ++i)
        w->shortWindow[i] = static_cast<float>(std::sin((i + 0.5) * kPi / 12.0) * shortSourceSign(i));
    for (int n = 0; n < 9; ++n) {
        for (int m = 0; m < 9; ++m)
            w->cos9[n][m] = static_cast<float>(std::cos(kPi * m * (2 * n + 1) / 18.0));
        w->oddScale[n] = static_cast<float>(1.0 / (2.0 * std::cos(kPi * (2 * n + 1) / 36.0)));
    }
    for (int n = 0; n < 6; ++n)
        for (int k = 0; k < 6; ++k)
            w->cos6[n][k] = static_cast<float>(std::cos(kPi / 24.0 * (2 * n + 1) * (2 * k + 1)));
    return w;
}

}  // namespace

const ImdctWindows& imdctWindows()
{
    static const ImdctWindows* w = makeWindows();  // process-wide, never freed before unload
    return *w;
}

}  // namespace layer3
