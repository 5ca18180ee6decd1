#include <gtest/gtest.h>

#include <vector>

#include "dsp/core/dsp_effect.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

// An effect of a family none of these exports serve: it must come through every call untouched.
class Stranger : public DspEffect {
public:
    Stranger() { type = EffectType::Chorus; }
    uint32_t processChannel(uint32_t, const float* in, float* out, uint32_t frames) override
    {
        for (uint32_t i = 0; i < frames; ++i)
            out[i] = in[i];
        return frames;
    }
};

struct Handles {
    void* iir = initIirFilter(256, 2, 44100, 4, 2000.0f, 0);
    void* graphic = nullptr;
    void* shelf = nullptr;
    Stranger stranger;
    Handles()
    {
        const GraphicEQBandParams bands[2] = {{500.0f, 3.0f, 0.9f, 0.99f}, {4000.0f, -3.0f, 0.9f, 0.99f}};
        graphic = initGraphicEQ(256, 2, 44100, 2, bands, 0.0f);
        const float gains[4] = {0.0f, -6.0f, 3.0f, 0.0f};
        shelf = initShelvingEQ(256, 2, 44100, 4, gains, 0.0f);
        stranger.allocBuffers(256, 2, 44100);
    }
    ~Handles()
    {
        termIirFilter(iir);
        termGraphicEQ(graphic);
        termShelvingEQ(shelf);
    }
};

// Output of a do* on fixed noise: equal outputs from an object and its twin show that
// nothing in the object changed.
template<class Do> std::vector<int16_t> run(void* h, Do doEffect)
{
    auto in = testsig::noisePcm16(512, 77, 9000);
    std::vector<int16_t> out(512);
    EXPECT_EQ(doEffect(h, in.data(), out.data(), 1024), 1);
    return out;
}

TEST(HandleType, EveryExportRefusesAnotherFamilysHandleAndLeavesItIntact)
{
    Handles subject, twin;
    int16_t pcm[4] = {1, 2, 3, 4};
    const std::vector<void*> notIir = {subject.graphic, subject.shelf, &subject.stranger, nullptr};
    const std::vector<void*> notGraphic = {subject.iir, subject.shelf, &subject.stranger, nullptr};
    const std::vector<void*> notShelf = {subject.iir, subject.graphic, &subject.stranger, nullptr};
    for (void* h : notIir) {
        EXPECT_EQ(doIirFilter(h, pcm, pcm, 4), 0);
        EXPECT_EQ(termIirFilter(h), 0);
    }
    for (void* h : notGraphic) {
        EXPECT_EQ(doGraphicEQ(h, pcm, pcm, 4), 0);
        EXPECT_EQ(setGraphicEQGain(h, 0, 12.0f), 0);
        EXPECT_EQ(setGraphicEQMasterGain(h, -12.0f), 0);
        EXPECT_EQ(remakeGraphicEQBand(h, 0, 100.0f, 0.5f, 0.5f), 0);
        EXPECT_EQ(termGraphicEQ(h), 0);
    }
    for (void* h : notShelf) {
        EXPECT_EQ(doShelvingEQ(h, pcm, pcm, 4), 0);
        EXPECT_EQ(setShelvingEQGain(h, 0, 12.0f), 0);
        EXPECT_EQ(setShelvingEQOutputLevel(h, -12.0f), 0);
        EXPECT_EQ(termShelvingEQ(h), 0);
    }
    EXPECT_EQ(pcm[0], 1);
    EXPECT_EQ(pcm[3], 4);
    EXPECT_EQ(run(subject.iir, doIirFilter), run(twin.iir, doIirFilter));
    EXPECT_EQ(run(subject.graphic, doGraphicEQ), run(twin.graphic, doGraphicEQ));
    EXPECT_EQ(run(subject.shelf, doShelvingEQ), run(twin.shelf, doShelvingEQ));
    EXPECT_TRUE(subject.stranger.isType(EffectType::Chorus));
    EXPECT_EQ(subject.stranger.maxInFrames, 256u);
}

}  // namespace
