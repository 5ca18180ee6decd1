#include "dsp/filters/graphic_eq_band.h"

#include <cmath>
#include <complex>

GraphicEQBandDesign designGraphicEQBand(float frequencyHz, float zeroRadius, float poleRadius, int32_t sampleRate)
{
    constexpr double kPi = 3.14159265358979323846;
    const double omega = double(frequencyHz) * 2.0 * kPi / double(sampleRate);
    const double p = zeroRadius;
    const double q = poleRadius;
    const double a1 = 2.0 * q * std::cos(omega);
    const double a2 = -q * q;
    const double b1 = -2.0 * p * std::cos(omega);
    const double b2 = p * p;

    const double theta = kPi * double(frequencyHz) / double(sampleRate);
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    const std::complex<double> z(c, -s);
    const std::complex<double> z2(c * c - s * s, -2.0 * s * c);
    const std::complex<double> h = (1.0 + b1 * z + b2 * z2) / (1.0 + a1 * z + a2 * z2);

    GraphicEQBandDesign d;
    d.a1 = float(a1);
    d.a2 = float(a2);
    d.b0 = 1.0f;
    d.b1 = float(b1);
    d.b2 = float(b2);
    d.normaliser = float(1.0 / std::abs(h));
    return d;
}

void GraphicEQBand::setGain(float gainDb)
{
    gain = float(std::pow(10.0, 0.05 * gainDb));
    weight = design.normaliser * gain;
}

void GraphicEQBand::redesign(float frequencyHz, float zeroRadius, float poleRadius)
{
    frequency = frequencyHz;
    design = designGraphicEQBand(frequencyHz, zeroRadius, poleRadius, sampleRate);
    weight = gain * design.normaliser;
}

template<bool Add> void GraphicEQBand::run(const float* in, float* out, uint32_t frames)
{
    const float a1 = design.a1, a2 = design.a2, b0 = design.b0, b1 = design.b1, b2 = design.b2;
    const float w8 = weight;
    float z1 = s1, z2 = s2;
    for (uint32_t i = 0; i < frames; ++i) {
        const float w = in[i] + a1 * z1 + a2 * z2;
        const float y = b0 * w + b1 * z1 + b2 * z2;
        out[i] = Add ? out[i] + w8 * y : w8 * y;
        z2 = z1;
        z1 = w;
    }
    s1 = z1;
    s2 = z2;
}

template void GraphicEQBand::run<false>(const float*, float*, uint32_t);
template void GraphicEQBand::run<true>(const float*, float*, uint32_t);
