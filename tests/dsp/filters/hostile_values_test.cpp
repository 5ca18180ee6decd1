#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Runs a few blocks through an effect; the point is that nothing crashes or reads astray.
template<class Do> void runBlocks(void* h, Do doEffect, uint32_t channels)
{
    ASSERT_NE(h, nullptr);
    auto in = testsig::noisePcm16(1024 * channels, 6);
    std::vector<int16_t> out(in.size());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(doEffect(h, in.data(), out.data(), uint32_t(in.size() * 2)), 1);
}

TEST(HostileValues, NonFiniteAndHugeParametersStayContained)
{
    for (float v : {kNan, kInf, -kInf, 1e30f, -1e30f}) {
        void* iir = initIirFilter(1024, 2, 44100, 6, v, 0);
        runBlocks(iir, doIirFilter, 2);
        termIirFilter(iir);

        const GraphicEQBandParams bands[2] = {{v, v, v, v}, {1000.0f, v, 0.9f, 0.99f}};
        // Rates above 768 kHz are refused; the highest accepted one must still stay contained.
        EXPECT_EQ(initGraphicEQ(1024, 1, 0xFFFFFFFFu, 2, bands, v), nullptr);
        void* geq = initGraphicEQ(1024, 1, 768000, 2, bands, v);
        runBlocks(geq, doGraphicEQ, 1);
        EXPECT_EQ(setGraphicEQGain(geq, 1, v), 1);
        EXPECT_EQ(remakeGraphicEQBand(geq, 0, v, v, v), 1);
        EXPECT_EQ(setGraphicEQMasterGain(geq, v), 1);
        runBlocks(geq, doGraphicEQ, 1);
        termGraphicEQ(geq);

        const float gains[4] = {v, 0.0f, v, -v};
        void* shelf = initShelvingEQ(1024, 2, 44100, 4, gains, v);
        runBlocks(shelf, doShelvingEQ, 2);
        EXPECT_EQ(setShelvingEQGain(shelf, 3, v), 1);
        EXPECT_EQ(setShelvingEQOutputLevel(shelf, v), 1);
        runBlocks(shelf, doShelvingEQ, 2);
        termShelvingEQ(shelf);
    }
}

}  // namespace
