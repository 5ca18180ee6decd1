#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "dsp/core/dsp_effect.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

// Scales by a gain and notes its id in a shared log each time it runs; counts re-sizings.
class Tagged : public DspEffect {
public:
    Tagged(int id, float gain, std::vector<int>* log) : id_(id), gain_(gain), log_(log)
    {
        type = EffectType::Chorus;
        allocBaseBuffers(64, 2);
    }
    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override
    {
        ++resizes;
        DspEffect::allocBuffers(frames, channels, rate);
    }
    uint32_t process(const float* l, const float* r, float* ol, float* orr, uint32_t frames) override
    {
        if (log_)
            log_->push_back(id_);
        return DspEffect::process(l, r, ol, orr, frames);
    }
    uint32_t processChannel(uint32_t, const float* in, float* out, uint32_t frames) override
    {
        for (uint32_t i = 0; i < frames; ++i)
            out[i] = in[i] * gain_;
        return frames;
    }
    int resizes = 0;

private:
    int id_;
    float gain_;
    std::vector<int>* log_;
};

// Doubles the rate by repeating each sample, and turns mono into stereo: a stand-in rate converter.
class MonoDoubler : public DspEffect {
public:
    MonoDoubler()
    {
        type = EffectType::Resampler;
        MonoDoubler::allocBuffers(1, 1, 8000);
    }
    void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate) override
    {
        allocBaseBuffers(frames * 2, channels);
        maxInFrames = frames;
        outChannels = 2;
        inRate = rate;
        outRate = rate * 2;
    }
    uint32_t getDstSize(uint32_t srcFrames) override { return srcFrames * 2; }
    uint32_t process(const float* l, const float*, float* ol, float* orr, uint32_t frames) override
    {
        const uint32_t n = processChannel(0, l, ol, frames);
        std::copy(ol, ol + n, orr);
        return n;
    }
    uint32_t processChannel(uint32_t, const float* in, float* out, uint32_t frames) override
    {
        for (uint32_t i = 0; i < frames; ++i)
            out[2 * i] = out[2 * i + 1] = in[i];
        return frames * 2;
    }
};

TEST(DspChain, EmptyChainCopiesAndReportsTheSourceFormat)
{
    void* chain = dspCreate(100, 2, 22050);
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(dspGetDstRate(chain), 22050u);
    EXPECT_EQ(dspGetDstChannels(chain), 2u);
    EXPECT_EQ(dspGetDstSize(chain, 77), 77u);
    const std::vector<int16_t> src = testsig::noisePcm16(200, 1);
    std::vector<int16_t> dst(202, 0);
    EXPECT_EQ(dspSend(chain, src.data(), dst.data(), 400), 400);
    EXPECT_TRUE(std::equal(src.begin(), src.end(), dst.begin()));
    EXPECT_EQ(dspSend(chain, src.data(), dst.data(), 402), 0);  // one frame more than sized

    const std::vector<float> fsrc = {3.0f, -2.0f, 0.5f, 7.0f};
    std::vector<float> fdst(4);
    EXPECT_EQ(dspSendFloat(chain, fsrc.data(), fdst.data(), 2), 2);
    EXPECT_EQ(fdst, fsrc);
    dspDestroy(chain);
}

TEST(DspChain, RunsEffectsByOrderKeyAndOwnsThem)
{
    std::vector<int> log;
    void* chain = dspCreate(64, 2, 44100);
    auto* a = new Tagged(50, 1.0f, &log);
    EXPECT_EQ(dspAdd(chain, a, 5), 1);
    EXPECT_EQ(dspAdd(chain, new Tagged(10, 1.0f, &log), 1), 2);
    EXPECT_EQ(dspAdd(chain, new Tagged(51, 1.0f, &log), 5), 3);
    EXPECT_EQ(dspAdd(chain, new Tagged(30, 1.0f, &log), 3), 4);
    EXPECT_EQ(dspAdd(chain, a, 9), 4);  // already owned: adding it twice would delete it twice
    EXPECT_EQ(dspAdd(chain, nullptr, 9), 4);
    Tagged unsized(99, 1.0f, &log);
    unsized.releaseBuffers();
    EXPECT_EQ(dspAdd(chain, &unsized, 9), 4);

    std::vector<int16_t> pcm(128, 1000);
    EXPECT_EQ(dspSend(chain, pcm.data(), pcm.data(), 256), 256);
    EXPECT_EQ(log, (std::vector<int>{10, 30, 50, 51}));
    EXPECT_EQ(dspGetHandle(chain, 2), a);
    EXPECT_EQ(dspGetHandle(chain, 4), nullptr);
    EXPECT_EQ(dspGetHandle(chain, 0xFFFFFFFFu), nullptr);

    dspClear(chain);  // deletes the four effects (the sanitizer build checks for leaks)
    EXPECT_EQ(dspGetHandle(chain, 0), nullptr);
    const std::vector<int16_t> src = testsig::noisePcm16(128, 2);
    EXPECT_EQ(dspSend(chain, src.data(), pcm.data(), 256), 256);
    EXPECT_EQ(pcm, src);
    dspDestroy(chain);
    dspDestroy(nullptr);
}

TEST(DspChain, EqualsRunningTheEffectsOneAfterAnother)
{
    const uint32_t block = 300;
    const std::vector<int16_t> noise = testsig::noisePcm16(block * 2 * 5, 3, 12000);
    void* chain = dspCreate(block, 2, 44100);
    dspAdd(chain, initIirFilter(block, 2, 44100, 4, 3000.0f, 0), 1);
    dspAdd(chain, initIirFilter(block, 2, 44100, 3, 200.0f, 1), 2);
    void* low = initIirFilter(block, 2, 44100, 4, 3000.0f, 0);
    void* high = initIirFilter(block, 2, 44100, 3, 200.0f, 1);

    std::vector<int16_t> viaChain(noise.size());
    std::vector<int16_t> byHand(noise.size());
    for (size_t at = 0; at < noise.size(); at += block * 2) {
        ASSERT_EQ(dspSend(chain, noise.data() + at, viaChain.data() + at, block * 4), int32_t(block * 4));
        doIirFilter(low, noise.data() + at, byHand.data() + at, block * 4);
        doIirFilter(high, byHand.data() + at, byHand.data() + at, block * 4);
    }
    // By hand the block is truncated to 16 bits between the filters; the chain keeps floats.
    for (size_t i = 0; i < noise.size(); ++i)
        ASSERT_LE(std::abs(viaChain[i] - byHand[i]), 2) << "sample " << i;
    EXPECT_GT(testsig::rmsPcm16(viaChain.data(), viaChain.size()), 1000.0);  // the band in between passes
    termIirFilter(low);
    termIirFilter(high);
    dspDestroy(chain);
}

TEST(DspChain, AdjustKeepsStateUnlessTheFormatChanges)
{
    const uint32_t block = 256;
    const std::vector<int16_t> noise = testsig::noisePcm16(block * 4, 4);
    void* steady = dspCreate(block, 1, 44100);
    void* adjusted = dspCreate(block, 1, 44100);
    dspAdd(steady, initIirFilter(block, 1, 44100, 6, 1000.0f, 0), 0);
    dspAdd(adjusted, initIirFilter(block, 1, 44100, 6, 1000.0f, 0), 0);
    auto* probe = new Tagged(0, 1.0f, nullptr);
    dspAdd(adjusted, probe, 1);
    const int resizes = probe->resizes;

    std::vector<int16_t> a(noise.size());
    std::vector<int16_t> b(noise.size());
    for (uint32_t k = 0; k < 4; ++k) {
        dspSend(steady, noise.data() + k * block, a.data() + k * block, block * 2);
        dspSend(adjusted, noise.data() + k * block, b.data() + k * block, block * 2);
        dspAdjust(adjusted, block, 1, 44100);
    }
    EXPECT_EQ(a, b);
    EXPECT_EQ(probe->resizes, resizes);
    dspAdjust(adjusted, block, 1, 48000);
    EXPECT_EQ(probe->resizes, resizes + 1);
    EXPECT_EQ(probe->inRate, 48000u);
    dspAdjust(adjusted, 0, 1, 48000);  // invalid: ignored
    dspAdjust(adjusted, block, 3, 48000);
    EXPECT_EQ(probe->maxInFrames, block);
    EXPECT_EQ(probe->inChannels, 1u);
    dspDestroy(steady);
    dspDestroy(adjusted);
}

TEST(DspChain, EachEffectTakesItsPredecessorsOutputFormat)
{
    void* chain = dspCreate(100, 1, 22050);
    dspAdd(chain, new MonoDoubler, 0);
    auto* after = new Tagged(0, 0.5f, nullptr);
    dspAdd(chain, after, 1);
    EXPECT_EQ(after->maxInFrames, 200u);
    EXPECT_EQ(after->inChannels, 2u);
    EXPECT_EQ(after->inRate, 44100u);
    EXPECT_EQ(dspGetDstRate(chain), 44100u);
    EXPECT_EQ(dspGetDstChannels(chain), 2u);
    EXPECT_EQ(dspGetDstSize(chain, 100), 200u);

    // Mono in, stereo at twice the rate out of the doubler; the gain halves both channels.
    std::vector<int16_t> src = {20000, -10000, 0, 32767};
    std::vector<int16_t> dst(17, 1);
    EXPECT_EQ(dspSend(chain, src.data(), dst.data(), 8), 2 * 2 * 8);
    EXPECT_NEAR(dst[0], 10000, 1);
    EXPECT_EQ(dst[1], dst[0]);
    EXPECT_NEAR(dst[4], -5000, 1);
    EXPECT_EQ(dst[16], 1);
    EXPECT_EQ(dspSend(chain, src.data(), dst.data(), 202), 0);
    dspDestroy(chain);

    // A tail with mono input and stereo output writes its one buffer to both channels.
    void* alone = dspCreate(100, 1, 22050);
    dspAdd(alone, new MonoDoubler, 0);
    std::fill(dst.begin(), dst.end(), 1);
    EXPECT_EQ(dspSend(alone, src.data(), dst.data(), 4), 4 * 2 * 2);  // 2 frames in, 4 out
    EXPECT_NEAR(dst[0], 20000, 1);
    EXPECT_EQ(dst[1], dst[0]);
    EXPECT_NEAR(dst[5], -10000, 1);
    EXPECT_EQ(dst[4], dst[5]);
    EXPECT_EQ(dst[8], 1);
    dspDestroy(alone);
}

TEST(DspChain, FloatEntryPointNeitherScalesNorClamps)
{
    void* chain = dspCreate(8, 2, 44100);
    dspAdd(chain, new Tagged(0, 2.0f, nullptr), 0);
    const std::vector<float> src = {0.25f, -3.0f, 1.5f, 0.0f, -0.75f, 2.0f};
    std::vector<float> dst(7, 9.0f);
    EXPECT_EQ(dspSendFloat(chain, src.data(), dst.data(), 3), 3);
    EXPECT_EQ(dst, (std::vector<float>{0.5f, -6.0f, 3.0f, 0.0f, -1.5f, 4.0f, 9.0f}));
    EXPECT_EQ(dspSendFloat(chain, src.data(), dst.data(), 9), 0);
    dspDestroy(chain);
}

TEST(DspChain, AnalysersEndTheOutputAndBadArgumentsAreRefused)
{
    void* chain = dspCreate(64, 1, 44100);
    dspAdd(chain, initFft(64, 1, 1, 120), 0);
    std::vector<int16_t> pcm(64, 5);
    EXPECT_EQ(dspSend(chain, pcm.data(), pcm.data(), 128), 0);
    EXPECT_EQ(dspSend(chain, nullptr, pcm.data(), 128), 0);
    dspDestroy(chain);

    // Re-sized below its FFT length by a smaller chain, a block FFT refuses work instead of
    // reading past its buffers; so does an analyser re-sized below its hop.
    void* small = dspCreate(32, 1, 44100);
    dspAdd(small, initFft(64, 1, 1, 120), 0);
    dspAdd(small, initFftAnalyze(64, 1, 64, 128), 1);
    std::vector<float> spectrum(32, 1.0f);
    EXPECT_EQ(doFft(dspGetHandle(small, 0), pcm.data(), spectrum.data(), 64), 0);
    EXPECT_EQ(doFftAnalyze(dspGetHandle(small, 1), pcm.data(), spectrum.data(), 64), 0);
    EXPECT_EQ(spectrum[0], 1.0f);
    dspDestroy(small);

    EXPECT_EQ(dspCreate(0, 1, 44100), nullptr);
    EXPECT_EQ(dspCreate(64, 0, 44100), nullptr);
    EXPECT_EQ(dspCreate(64, 3, 44100), nullptr);
    EXPECT_EQ(dspCreate(64, 2, 0), nullptr);
    EXPECT_EQ(dspCreate(0xFFFFFFFFu, 2, 44100), nullptr);
    EXPECT_EQ(dspAdd(nullptr, nullptr, 0), 0);
    EXPECT_EQ(dspSend(nullptr, pcm.data(), pcm.data(), 2), 0);
    EXPECT_EQ(dspSendFloat(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(dspGetHandle(nullptr, 0), nullptr);
    EXPECT_EQ(dspGetDstRate(nullptr), 0u);
    dspClear(nullptr);
    dspAdjust(nullptr, 1, 1, 1);
}

// A stretcher's new scale waits for its next block, and a chain may be re-sized meanwhile: whatever
// the order of scale changes, re-sizes and empty blocks, a send never delivers more than
// dspGetDstSize promised for it, nor writes past it.
TEST(DspChain, SizesHoldWhileAStretcherChangesScale)
{
    std::mt19937 rng(77);
    const float scales[] = {-2000.0f, -700.0f, 0.0f, 500.0f, 3000.0f};
    void* chain = dspCreate(4096, 2, 15172);
    void* stretch = initStretch(4096, 2, 15172, 500.0f, 0.0f, 0.05f, 0.01f);
    ASSERT_EQ(dspAdd(chain, stretch, 0), 1);
    ASSERT_EQ(dspAdd(chain, initFader(4096, 2, 15172, 1.0f, 0.0f, 0.0f), 1), 2);
    uint32_t frames = 4096;
    const std::vector<int16_t> src = testsig::noisePcm16(2 * 4096, 8);
    for (int step = 0; step < 400; ++step) {
        switch (rng() % 4) {
        case 0:
            setStretchScale(stretch, scales[rng() % 5]);
            break;
        case 1:
            frames = 1 + rng() % 4096;
            dspAdjust(chain, frames, 2, 15172);
            break;
        case 2:
            dspSend(chain, src.data(), nullptr, 0);
            break;
        default: {
            const uint32_t n = rng() % (frames + 1);
            const size_t room = size_t(dspGetDstSize(chain, n)) * 2;
            std::vector<int16_t> dst(room + 16, 0x5A5A);
            const int32_t bytes = dspSend(chain, src.data(), dst.data(), n * 4);
            ASSERT_LE(size_t(bytes) / 2, room) << "step " << step;
            for (size_t i = room; i < dst.size(); ++i)
                ASSERT_EQ(dst[i], 0x5A5A) << "step " << step;
        }
        }
    }
    dspDestroy(chain);
}

}  // namespace
