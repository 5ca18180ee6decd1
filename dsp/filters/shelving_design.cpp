#include "dsp/filters/shelving_design.h"

#include <cmath>

void shelvingWindow(uint32_t taps, float* w)
{
    for (uint32_t i = 0; i < taps; ++i)
        w[i] = float(0.5 - 0.5 * std::cos(2.0 * 3.14159265358979323846 * i / taps));
}

void shelvingTaps(const float* s, uint32_t n, const float* window, const Radix2Transform& transform, float* re,
                  float* im, float* h, float* r)
{
    const uint32_t points = 2 * n;
    for (uint32_t m = 0; m < points; ++m) {
        re[m] = s[m];
        im[m] = 0.0f;
    }
    transform.forward(re, im);
    const float scale = 1.0f / float(points);
    const uint32_t centre = points - 1;
    for (uint32_t k = 0; k < points; ++k) {
        const float rk = re[k] * scale;
        if (r != nullptr)
            r[k] = rk;
        h[centre - k] = rk * window[centre - k];
        h[centre + k] = rk * window[centre + k];
    }
}
