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
inline float cubicAt(const float* s, double f)
{
    return static_cast<float>(s[0] * cubicKernel(1.0 + f) + s[1] * cubicKernel(f) + s[2] * cubicKernel(1.0 - f) +
                              s[3] * cubicKernel(2.0 - f));
}
