#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Reference spectra for the FFT-family tests, from a direct DFT in double precision.
namespace spectrumref {

// dB spectrum of the block as the engine defines it, from a direct DFT of the windowed input.
inline std::vector<double> referenceDb(const std::vector<double>& x, double floorDb)
{
    const size_t n = x.size();
    std::vector<double> out(n / 2);
    for (size_t k = 0; k < n / 2; ++k) {
        double c = 0.0;
        double s = 0.0;
        for (size_t j = 0; j < n; ++j) {
            const double w = 0.5 * (1.0 - std::cos(2.0 * M_PI * (double(j) - 0.5) / n));
            const double a = 2.0 * M_PI * double((j * k) % n) / n;
            c += x[j] * w * std::cos(a);
            s += x[j] * w * std::sin(a);
        }
        if (k == 0) {  // bin 0 carries the Nyquist sum in place of the (zero) sine sum
            s = 0.0;
            for (size_t j = 0; j < n; ++j)
                s += (j % 2 ? -1.0 : 1.0) * x[j] * 0.5 * (1.0 - std::cos(2.0 * M_PI * (double(j) - 0.5) / n));
        }
        const double m = std::hypot(c, s);
        out[k] = m > 0.0 ? std::max(20.0 * std::log10(m), -floorDb) : -floorDb;
    }
    return out;
}

// Float round-off is relative to the strongest bin, so compare linear magnitudes against it.
inline void expectSpectrumNear(const float* out, const std::vector<double>& ref, const char* what)
{
    double peak = 0.0;
    for (double db : ref)
        peak = std::max(peak, std::pow(10.0, db / 20.0));
    for (size_t k = 0; k < ref.size(); ++k)
        EXPECT_NEAR(std::pow(10.0, out[k] / 20.0), std::pow(10.0, ref[k] / 20.0), 1e-5 * peak) << what << " bin " << k;
}

inline std::vector<double> toUnit(const std::vector<int16_t>& pcm, size_t stride, size_t offset)
{
    std::vector<double> x;
    for (size_t i = offset; i < pcm.size(); i += stride)
        x.push_back(pcm[i] / 32767.0);
    return x;
}

}  // namespace spectrumref
