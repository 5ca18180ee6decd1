#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

// Every effect family: an init taking (frames, channels, rate), a do* on a 16-bit block and its term*.
struct Family {
    const char* name;
    std::function<void*(uint32_t frames, uint32_t channels, uint32_t rate)> init;
    std::function<int32_t(void* h, const int16_t* in, int16_t* out, uint32_t bytes)> run;
    int32_t (*term)(void*);
};

std::vector<Family> families()
{
    static const GraphicEQBandParams bands[1] = {{1000.0f, 6.0f, 0.9f, 0.99f}};
    static const float gains[2] = {0.0f, -6.0f};
    return {
        {"fader", [](uint32_t f, uint32_t c, uint32_t r) { return initFader(f, c, r, 1.0f, 0.0f, 0.0f); },
         [](void* h, const int16_t* i, int16_t* o, uint32_t b) { return doFade(h, 0, i, o, b); }, termFader},
        {"chorus",
         [](uint32_t f, uint32_t c, uint32_t r) { return initChorus(f, c, r, 2, 10.0f, 2.0f, 1.0f, 50.0f, 50.0f); },
         doChorus, termChorus},
        {"iir", [](uint32_t f, uint32_t c, uint32_t r) { return initIirFilter(f, c, r, 4, 1000.0f, 0); }, doIirFilter,
         termIirFilter},
        {"graphic eq", [](uint32_t f, uint32_t c, uint32_t r) { return initGraphicEQ(f, c, r, 1, bands, 0.0f); },
         doGraphicEQ, termGraphicEQ},
        {"shelving eq", [](uint32_t f, uint32_t c, uint32_t r) { return initShelvingEQ(f, c, r, 2, gains, 0.0f); },
         doShelvingEQ, termShelvingEQ},
        {"resampler",
         [](uint32_t f, uint32_t c, uint32_t r) { return initResampler(f, c, c, r, 48000, 1, 60.0f, 24.0f, 1); },
         doResampler, termResampler},
        {"hqups",
         [](uint32_t f, uint32_t c, uint32_t r) {
             return initHqupsBySrcsize(f, c, c, r, 0.3f, 50.0f, 16000, 1, 60.0f, 24.0f, 0, 1);
         },
         doHqups, termHqups},
        {"pitch",
         [](uint32_t f, uint32_t c, uint32_t r) { return initPitchShift(f, c, r, 300.0f, 0.0f, 0.05f, 0.01f, 0, 0); },
         doPitchShift, termPitchShift},
        {"stretch", [](uint32_t f, uint32_t c, uint32_t r) { return initStretch(f, c, r, 500.0f, 0.0f, 0.05f, 0.01f); },
         doStretch, termStretch},
        {"slicer",
         [](uint32_t f, uint32_t c, uint32_t r) { return initWaveSlice(f, c, r, -20.0f, -40.0f, 10.0f, 0.05f); },
         [](void* h, const int16_t* i, int16_t*, uint32_t b) { return doWaveSlice(h, i, b); }, termWaveSlice},
        {"envelope", [](uint32_t f, uint32_t c, uint32_t r) { return initEnvAnalyze(f, c, r); },
         [](void* h, const int16_t* i, int16_t*, uint32_t b) { return doEnvAnalyze(h, i, nullptr, b); },
         termEnvAnalyze},
    };
}

// Every init* refuses formats beyond the documented limits; every export refuses a handle of another
// kind (another effect family, a chain, a WAV reader or writer) and leaves it working; an effect
// in a chain belongs to it alone.
TEST(HandleGuard, LimitsForeignHandlesAndChainOwnershipHoldForEveryFamily)
{
    const std::string wav = testsig::tempPath("guard.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(wav, testsig::noisePcm16(2000, 3), 2, 44100));
    void* reader = initWavefileIn(wav.c_str(), 64);
    const OrvaneWaveFormat format{1, 2, 44100, 176400, 4, 16, 0};
    void* writer = initWavefileOut(testsig::tempPath("guard-out.wav").c_str(), &format);
    void* chain = dspCreate(256, 2, 44100);
    void* second = dspCreate(256, 2, 44100);
    ASSERT_TRUE(reader && writer && chain && second);

    const std::vector<int16_t> in = testsig::noisePcm16(512, 4);
    // Output room for every family at its largest ratio, and guard values behind it.
    std::vector<int16_t> out(4096, 0x5A5A);
    const std::vector<Family> all = families();
    for (const Family& f : all) {
        SCOPED_TRACE(f.name);
        struct Format {
            uint32_t frames, channels, rate;
        } refused[] = {{256, 0, 44100}, {256, 3, 44100},         {256, 5, 44100},
                       {0, 2, 44100},   {0xFFFFFFFFu, 2, 44100}, {(1u << 22) + 1, 1, 44100},
                       {256, 2, 0},     {256, 2, 768001},        {256, 2, 4000000000u}};
        for (const Format& r : refused)
            EXPECT_EQ(f.init(r.frames, r.channels, r.rate), nullptr) << r.frames << " " << r.channels << " " << r.rate;
        void* accepted = f.init(256, 2, 768000);
        EXPECT_NE(accepted, nullptr);
        EXPECT_EQ(f.term(accepted), 1);

        void* h = f.init(256, 2, 44100);
        ASSERT_NE(h, nullptr);
        for (void* foreign : {chain, reader, writer})
            EXPECT_EQ(f.run(foreign, in.data(), out.data(), 512), 0);
        EXPECT_EQ(f.term(chain), 0);
        EXPECT_EQ(f.term(reader), 0);
        EXPECT_EQ(f.term(writer), 0);
        for (const Family& other : all) {
            if (&other != &f) {
                EXPECT_EQ(other.term(h), 0) << other.name;
            }
        }
        EXPECT_GT(f.run(h, in.data(), out.data(), 512), 0) << "the handle still works";
        EXPECT_EQ(out[out.size() - 1], 0x5A5A);

        EXPECT_EQ(dspAdd(chain, h, 0), 1);
        EXPECT_EQ(f.term(h), 0) << "owned by the chain";
        EXPECT_EQ(dspAdd(second, h, 0), 0) << "one chain only";
        dspClear(chain);
    }
    EXPECT_EQ(dspAdd(chain, second, 0), 0);
    EXPECT_EQ(dspAdd(chain, reader, 0), 0);
    EXPECT_EQ(dspGetDstRate(reader), 0u);
    EXPECT_EQ(readWavefileIn(writer, out.data(), 4), 0);
    EXPECT_EQ(writeWavefileOut(reader, in.data(), 4), 0);
    EXPECT_EQ(termWavefileOut(reader), 0u);
    termWavefileIn(writer);  // refused: the writer still completes below
    EXPECT_EQ(writeWavefileOut(writer, in.data(), 4), 4);
    EXPECT_EQ(termWavefileOut(writer), 4u);
    termWavefileIn(reader);
    dspDestroy(chain);
    dspDestroy(second);
    std::remove(wav.c_str());
}

// A mid-stream rate change no effect can follow (an upsampler from 7 Hz would need 28 million
// frames a block) stops the chain at once instead of running for minutes; a usable rate resumes it.
TEST(HandleGuard, AChainRefusesARateChangeItsEffectsCannotTake)
{
    void* chain = dspCreate(4096, 2, 44100);
    dspAdd(chain, initFader(4096, 2, 44100, 1.0f, 0.0f, 0.0f), 0);
    dspAdd(chain, initHqupsBySrcsize(4096, 2, 2, 44100, 0.3f, 50.0f, 16000, 1, 60.0f, 24.0f, 0, 1), 1);
    dspAdd(chain, initStretch(4460, 2, 48000, 500.0f, 0.0f, 0.05f, 0.01f), 2);
    ASSERT_EQ(dspAdd(chain, nullptr, 0), 3);
    const std::vector<int16_t> in = testsig::noisePcm16(8192, 5);
    std::vector<int16_t> out(size_t(dspGetDstSize(chain, 4096)) * 2 + 64);
    EXPECT_GT(dspSend(chain, in.data(), out.data(), 16384), 0);
    dspAdjust(chain, 4096, 2, 7);
    EXPECT_EQ(dspSend(chain, in.data(), out.data(), 16384), 0);
    dspAdjust(chain, 4096, 2, 44100);
    EXPECT_GT(dspSend(chain, in.data(), out.data(), 16384), 0);
    dspDestroy(chain);
}

}  // namespace
