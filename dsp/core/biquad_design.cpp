#include "dsp/core/biquad_design.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Cutoffs are kept this fraction of the rate away from 0 and fs/2: tan() of the prewarp runs
// to infinity at fs/2 and a zero cutoff puts a double pole on the unit circle.
constexpr double kEdgeMargin = 1e-6;

// m of pole pair k: 1, 3, 5, ... for even orders, 2, 4, 6, ... for odd ones.
int32_t poleIndex(int32_t order, int32_t k)
{
    return (order % 2 == 0 ? 1 : 2) + 2 * k;
}

}  // namespace

int32_t biquadSectionCount(int32_t order)
{
    return order <= 0 ? 0 : (order + 1) / 2;
}

bool designArgumentsUsable(double sampleRate, double cutoff)
{
    return std::isfinite(sampleRate) && sampleRate > 0.0 && std::isfinite(cutoff);
}

double prototypeCutoff(double sampleRate, double cutoff, bool highPass)
{
    const double fc = highPass ? 0.5 * sampleRate - cutoff : cutoff;
    return std::clamp(fc, kEdgeMargin * sampleRate, (0.5 - kEdgeMargin) * sampleRate);
}

void designChebyshevSections(int32_t order, bool highPass, double fs, double cutoff, double rippleDb,
                             BiquadSection* out)
{
    if (order <= 0)
        return;
    const double sign = highPass ? -1.0 : 1.0;
    const double n = order;
    const double fc = prototypeCutoff(fs, cutoff, highPass);
    const double q = 1.0 / std::sqrt(std::pow(10.0, 0.1 * rippleDb) - 1.0);
    const double alpha = std::log(q + std::sqrt(q * q + 1.0)) / n;
    const double k = std::tan(kPi * fc / fs);
    const double gain = order % 2 == 0 ? std::pow(1.0 / std::pow(10.0, 0.05 * rippleDb), 2.0 / n) : 1.0;

    for (int32_t s = 0; s < order / 2; ++s) {
        const double theta = poleIndex(order, s) * (kPi / 2.0) / n;
        const double u = std::cos(theta);
        const double v = std::sin(theta);
        const double rho = std::sqrt(std::pow(v * std::cosh(alpha), 2) + std::pow(std::sinh(alpha) * u, 2));
        const double w = rho * k;
        const double w2 = w * w;
        const double d = (u / rho) * std::sinh(alpha) * 2.0 * w;
        const double g = 1.0 / (1.0 + d + w2);
        BiquadSection& sec = out[s];
        sec.a1 = (w2 - 1.0) * g * -2.0 * sign;
        sec.a2 = -(1.0 - d + w2) * g;
        sec.b0 = gain * w2 * g;
        sec.b1 = gain * 2.0 * w2 * g * sign;
        sec.b2 = gain * w2 * g;
    }
    if (order % 2 != 0) {
        const double w = std::sinh(alpha) * k;
        const double g = 1.0 / (1.0 + w);
        BiquadSection& sec = out[order / 2];
        sec = BiquadSection{};
        sec.a1 = -sign * (w - 1.0) * g;
        sec.b0 = w * g;
        sec.b1 = w * g * sign;
    }
}

void designButterworthSections(int32_t order, bool highPass, double fs, double cutoff, BiquadSection* out)
{
    if (order <= 0)
        return;
    const double sign = highPass ? -1.0 : 1.0;
    const double fc = prototypeCutoff(fs, cutoff, highPass);
    const double k = std::tan(kPi * fc / fs);
    const double k2 = k * k;

    for (int32_t s = 0; s < order / 2; ++s) {
        const double d = 2.0 * k * std::cos(poleIndex(order, s) * (kPi / 2.0) / order);
        const double g = 1.0 / (1.0 + d + k2);
        BiquadSection& sec = out[s];
        sec.a1 = (k2 - 1.0) * g * -2.0 * sign;
        sec.a2 = -(1.0 - d + k2) * g;
        sec.b0 = k2 * g;
        sec.b1 = 2.0 * sec.b0 * sign;
        sec.b2 = sec.b0;
    }
    if (order % 2 != 0) {
        const double g = 1.0 / (1.0 + k);
        BiquadSection& sec = out[order / 2];
        sec = BiquadSection{};
        sec.a1 = -sign * (k - 1.0) * g;
        sec.b0 = k * g;
        sec.b1 = sign * sec.b0;
    }
}
