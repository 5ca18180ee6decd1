#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/core/real_fft.h"
#include "support/signal.h"

namespace {

// Direct DFT in double, packed as the transform packs it.
std::vector<double> directPacked(const std::vector<float>& x)
{
    const size_t n = x.size();
    std::vector<double> out(n);
    for (size_t k = 0; k < n / 2; ++k) {
        double c = 0.0;
        double s = 0.0;
        for (size_t j = 0; j < n; ++j) {
            const double w = 2.0 * M_PI * double((j * k) % n) / double(n);
            c += x[j] * std::cos(w);
            s += x[j] * std::sin(w);
        }
        out[2 * k] = c;
        out[2 * k + 1] = s;
    }
    double nyquist = 0.0;
    for (size_t j = 0; j < n; ++j)
        nyquist += (j % 2 ? -1.0 : 1.0) * x[j];
    out[1] = nyquist;
    return out;
}

class RealFftSizes : public ::testing::TestWithParam<uint32_t> { };

TEST_P(RealFftSizes, MatchesDirectDftOnNoise)
{
    const uint32_t n = GetParam();
    std::vector<float> x = testsig::noise(n, 1234 + n);
    const std::vector<double> ref = directPacked(x);
    RealFft fft;
    fft.prepare(n);
    fft.forward(x.data());
    // Float round-off of a radix-2 transform grows with log2 N on values of size ~sqrt(N).
    const double tol = 4e-7 * std::sqrt(double(n)) * std::log2(double(n)) * 4;
    for (uint32_t i = 0; i < n; ++i)
        ASSERT_NEAR(x[i], ref[i], tol) << "n=" << n << " index " << i;
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, RealFftSizes, ::testing::Values(4u, 8u, 16u, 32u, 256u, 1024u, 4096u));

TEST(RealFft, LargestSizeFindsAToneInItsBin)
{
    const uint32_t n = RealFft::kMaxSize;
    const uint32_t bin = 1234;
    std::vector<float> x(n);
    for (uint32_t j = 0; j < n; ++j)
        x[j] = static_cast<float>(std::cos(2.0 * M_PI * bin * double(j) / n));
    RealFft fft;
    fft.prepare(n);
    fft.forward(x.data());
    EXPECT_NEAR(x[2 * bin], n / 2.0, 0.05);  // unnormalised: a unit cosine gives N/2 in its bin
    EXPECT_NEAR(x[2 * bin + 1], 0.0, 0.05);
    double leak = 0.0;
    for (uint32_t k = 1; k < n / 2; ++k)
        if (k != bin)
            leak = std::max(leak, std::hypot(double(x[2 * k]), double(x[2 * k + 1])));
    EXPECT_LT(leak, 0.05);
}

}  // namespace
