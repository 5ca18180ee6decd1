#pragma once

#include <cmath>

// Cubic convolution kernel with a = -1, for x >= 0: three polynomial pieces selected by trunc(x).
inline double cubicKernel(double x)
{
    if (x < 1.0)
        return 1.0 - (2.0 - x) * x * x;
    if (x < 2.0)
        return 4.0 - (8.0 - (5.0 - x) * x) * x;
    return 0.0;
}

// Four-point cubic convolution at fraction f (0 <= f < 1) past s[1]; s points at the sample before.
// The weights are the kernel at 1 + f, f, 1 - f and 2 - f, expanded so no piece has to be chosen.
template<class T> inline T cubicAt(const float* s, T f)
{
    const T f2 = f * f;
    const T f3 = f2 * f;
    return s[0] * (-f + T(2) * f2 - f3) + s[1] * (T(1) - T(2) * f2 + f3) + s[2] * (f + f2 - f3) + s[3] * (f3 - f2);
}
