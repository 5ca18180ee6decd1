#include "dsp/rate/kaiser_fir.h"

#include <algorithm>
#include <cmath>
#include <cstring>

double KaiserFir::besselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k <= 19; ++k) {
        term *= (x / 2.0) / k;
        sum += term * term;
    }
    return sum;
}

void KaiserFir::setup(double a, uint32_t n)
{
    n_ = n;
    if (a > 50.0)
        beta_ = 0.1102 * (a - 8.7);
    else if (a >= 21.0)
        beta_ = 0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0);
    else
        beta_ = 0.0;
    const uint32_t m = n / 2;
    halfWindow_.assign(m + 1, 0.0);
    const double norm = besselI0(beta_);
    for (uint32_t i = 0; i <= m; ++i) {
        const double r = 2.0 * i / n;
        halfWindow_[i] = besselI0(beta_ * std::sqrt(1.0 - r * r)) / norm;
    }
    taps_.assign(n + 1, 0.0f);
    prototype_.assign(m + 1, 0.0);
    taps_[m] = 1.0f;
    line_.assign(n + kBlock, 0.0f);
    ready = 1;
}

void KaiserFir::design(double fs, double fc)
{
    const uint32_t m = n_ / 2;
    fc = std::clamp(fc, 1e-6 * fs, (0.5 - 1e-6) * fs);
    const double f = 0.5 * fs - fc;       // the low-pass prototype mirrored to a high-pass below
    std::vector<double>& h = prototype_;  // sized by setup: redesigns run on the audio path
    h[0] = 2.0 * f / fs;
    double sum = h[0];
    for (uint32_t i = 1; i <= m; ++i) {
        h[i] = halfWindow_[i] * std::sin(2.0 * M_PI * f * i / fs) / (M_PI * i);
        sum += 2.0 * h[i];
    }
    if (!(std::fabs(sum) > 0.0))
        return;  // no usable prototype: keep the previous taps
    for (uint32_t i = 0; i <= m; ++i)
        h[i] = h[i] / sum * ((i & 1) ? -1.0 : 1.0);
    for (uint32_t j = 0; j <= n_; ++j)
        taps_[j] = static_cast<float>(h[j > m ? j - m : m - j]);
}

void KaiserFir::process(const float* in, float* out, uint32_t n)
{
    const float* c = taps_.data();
    while (n > 0) {
        const uint32_t len = std::min(n, kBlock);
        float* x = line_.data() + n_;
        std::memmove(x, in, len * sizeof(float));
        for (uint32_t t = 0; t < len; ++t) {
            const float* newest = x + t;
            float acc = 0.0f;
            for (uint32_t j = 0; j <= n_; ++j)
                acc += c[j] * newest[-static_cast<int32_t>(j)];
            out[t] = acc;
        }
        std::memmove(line_.data(), line_.data() + len, n_ * sizeof(float));
        in += len;
        out += len;
        n -= len;
    }
}
