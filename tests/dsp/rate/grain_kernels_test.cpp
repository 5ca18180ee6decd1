#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/rate/cubic_kernel.h"
#include "dsp/rate/grain_kernels.h"
#include "support/signal.h"

namespace {

struct KernelSet {
    const char* name;
    const GrainKernels* kernels;
};

class GrainKernelPaths : public ::testing::TestWithParam<KernelSet> { };

// Every set this CPU can run.
std::vector<KernelSet> kernelSets()
{
    std::vector<KernelSet> sets{{"Plain", &plainGrainKernels()}, {"Sse", &sseGrainKernels()}};
    if (avx2GrainKernels() != nullptr)
        sets.push_back({"Avx2", avx2GrainKernels()});
    return sets;
}

INSTANTIATE_TEST_SUITE_P(AllPaths, GrainKernelPaths, ::testing::ValuesIn(kernelSets()),
                         [](const ::testing::TestParamInfo<KernelSet>& p) { return p.param.name; });

// Every kernel against the defining formula (in double) and bit for bit against the plain
// reference, over odd lengths, rates either side of 1, fractional start offsets and a guard
// value after the last output that must stay untouched.
TEST_P(GrainKernelPaths, MatchTheFormulaAndThePlainReference)
{
    const GrainKernels& k = *GetParam().kernels;
    const GrainKernels& plain = plainGrainKernels();
    const std::vector<float> src = testsig::noise(4200, 21);
    const std::vector<float> window = testsig::noise(1001, 22);
    const std::vector<float> start = testsig::noise(1001, 23);
    constexpr float kGuard = 12345.0f;
    // Single-precision arithmetic against double: a few units in the last place of values near 1.
    constexpr double kTolerance = 2e-5;
    for (uint32_t count : {0u, 1u, 2u, 3u, 13u, 25u, 1000u}) {
        for (float ratio : {0.5f, 1.189207f, 2.0f}) {
            for (float offset : {0.0f, 0.37f, 5.9f}) {
                const int32_t first = count == 25 ? 7 : 0;
                for (bool cubic : {false, true}) {
                    std::vector<float> acc(start.begin(), start.begin() + count), ref = acc;
                    acc.push_back(kGuard);
                    ref.push_back(kGuard);
                    (cubic ? k.addCubic : k.addLinear)(acc.data(), src.data(), window.data(), offset, ratio, first,
                                                       count);
                    (cubic ? plain.addCubic : plain.addLinear)(ref.data(), src.data(), window.data(), offset, ratio,
                                                               first, count);
                    ASSERT_EQ(acc, ref) << "count " << count << " ratio " << ratio << " cubic " << cubic;
                    for (uint32_t j = 0; j < count; ++j) {
                        // The position itself is single precision by definition.
                        const float x = offset + float(first + int32_t(j)) * ratio;
                        const auto i = static_cast<int32_t>(x);
                        const double f = double(x) - i;
                        const double v
                            = cubic ? cubicAt<double>(src.data() + i, f) : src[i] + f * (double(src[i + 1]) - src[i]);
                        ASSERT_NEAR(acc[j], start[j] + v * window[j], kTolerance) << "output " << j;
                    }
                }
            }
        }
        std::vector<float> acc(start.begin(), start.begin() + count), ref = acc;
        acc.push_back(kGuard);
        ref.push_back(kGuard);
        k.addWindowed(acc.data(), src.data() + 3, window.data(), count);
        plain.addWindowed(ref.data(), src.data() + 3, window.data(), count);
        ASSERT_EQ(acc, ref);
        for (uint32_t j = 0; j < count; ++j)
            ASSERT_NEAR(acc[j], start[j] + double(src[j + 3]) * window[j], kTolerance);
        ASSERT_EQ(acc[count], kGuard);

        std::vector<float> scaled(acc), scaledRef(acc);
        k.scale(scaled.data(), window.data(), 0.7f, count);
        plain.scale(scaledRef.data(), window.data(), 0.7f, count);
        ASSERT_EQ(scaled, scaledRef);
        for (uint32_t j = 0; j < count; ++j)
            ASSERT_NEAR(scaled[j], 0.7 * window[j] * acc[j], kTolerance);
        ASSERT_EQ(scaled[count], kGuard);

        if (count % 8 == 0) {
            const uint32_t pairs = count == 1000 ? 192 : count;
            float sums[2], refSums[2];
            k.correlate(sums, src.data() + 5, window.data(), pairs);
            plain.correlate(refSums, src.data() + 5, window.data(), pairs);
            EXPECT_EQ(sums[0], refSums[0]);
            EXPECT_EQ(sums[1], refSums[1]);
            double dot = 0, energy = 0;
            for (uint32_t j = 0; j < pairs; ++j) {
                dot += double(src[j + 5]) * window[j];
                energy += double(src[j + 5]) * src[j + 5];
            }
            EXPECT_NEAR(sums[0], dot, 1e-4);
            EXPECT_NEAR(sums[1], energy, 1e-4);
        }
    }
}

}  // namespace
