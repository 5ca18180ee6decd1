#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/core/envelope_follower.h"
#include "dsp/core/pcm_convert.h"
#include "dsp/rate/wave_slice.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kBlock = 1024;
// On at -20 dB, off at -30 dB, a rise of 10 % of full scale, slices of at least 50 ms.
constexpr float kOnDb = -20.0f, kOffDb = -30.0f, kRise = 10.0f, kMinSeconds = 0.05f;

// Adds a decaying noise burst (a drum hit) or tone at sample `at`.
void addHit(std::vector<int16_t>& pcm, size_t at, double amplitude, double decaySeconds, uint32_t seed,
            double toneHz = 0.0)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (size_t i = at; i < pcm.size(); ++i) {
        const double t = double(i - at) / kRate;
        const double env = amplitude * std::exp(-t / decaySeconds);
        if (env < 1e-5)
            break;
        const double s = toneHz > 0 ? std::sin(2 * M_PI * toneHz * t) : u(rng);
        pcm[i] = static_cast<int16_t>(std::lround(std::clamp(pcm[i] + 32767.0 * env * s, -32767.0, 32767.0)));
    }
}

void* feed(const std::vector<int16_t>& pcm, uint32_t block = kBlock)
{
    void* h = initWaveSlice(kBlock, 1, kRate, kOnDb, kOffDb, kRise, kMinSeconds);
    for (size_t at = 0; at < pcm.size(); at += block) {
        const size_t n = std::min<size_t>(block, pcm.size() - at);
        EXPECT_EQ(doWaveSlice(h, pcm.data() + at, uint32_t(n * 2)), 1);
    }
    return h;
}

// The envelope the slicer follows, worked out on its own.
std::vector<float> envelopeOf(const std::vector<int16_t>& pcm)
{
    std::vector<float> x(pcm.size()), e(pcm.size());
    pcm16ToFloatOn(cpu::Path::Plain, pcm.data(), uint32_t(pcm.size() * 2), x.data(), nullptr, 1);
    EnvelopeFollower f;
    f.setup(uint32_t(pcm.size()), float(kRate), 2, 33.0f, 1.0f, false, 1.0f);
    f.process(x.data(), e.data(), uint32_t(x.size()));
    return e;
}

TEST(WaveSlice, SilenceOpensNoSlice)
{
    void* h = feed(std::vector<int16_t>(kRate, 0));
    EXPECT_EQ(getWaveSlice(h, 0), nullptr);
    EXPECT_EQ(stopWaveSlice(h), 0u);
    EXPECT_EQ(termWaveSlice(h), 1);
}

TEST(WaveSlice, NoteAfterSilenceOpensAtTheValleyAndClosesBelowTheOffLevel)
{
    std::vector<int16_t> pcm(kRate, 0);
    const size_t onset = 22050;
    addHit(pcm, onset, 0.5, 0.04, 1, 440.0);
    void* h = feed(pcm);
    const OrvaneSlice* s = getWaveSlice(h, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(stopWaveSlice(h), 1u);
    EXPECT_EQ(s->next, nullptr);
    EXPECT_EQ(s->previous, nullptr);
    // The envelope is 0 through the silence, so its last minimum is at the onset (within the
    // few samples the smoothed envelope takes to climb out of silence).
    EXPECT_NEAR(s->start * kRate, onset, 0.0005 * kRate);

    const std::vector<float> e = envelopeOf(pcm);
    const float off = std::pow(10.0f, kOffDb / 20);
    const size_t start = size_t(std::lround(s->start * kRate));
    size_t closes = start + size_t(kMinSeconds * kRate) + 1;
    while (e[closes] >= off)
        ++closes;
    EXPECT_FLOAT_EQ(s->end, float(closes) * (1.0f / kRate));
    termWaveSlice(h);
}

TEST(WaveSlice, AttacksCloserThanTheShortestSliceMakeOne)
{
    std::vector<int16_t> pcm(kRate, 0);
    addHit(pcm, 10000, 0.3, 0.03, 2);
    addHit(pcm, 10000 + 882, 0.6, 0.03, 3);  // 20 ms later
    void* h = feed(pcm);
    EXPECT_EQ(stopWaveSlice(h), 1u);
    EXPECT_NEAR(getWaveSlice(h, 0)->start * kRate, 10000, 0.0005 * kRate);
    termWaveSlice(h);
}

TEST(WaveSlice, AnAttackOverARingingNoteSplitsAtTheValley)
{
    std::vector<int16_t> pcm(kRate, 0);
    addHit(pcm, 5000, 0.3, 0.5, 4, 220.0);  // still well above the off level at the next hit
    addHit(pcm, 20000, 0.7, 0.05, 5);
    void* h = feed(pcm);
    ASSERT_GE(stopWaveSlice(h), 2u);
    const OrvaneSlice* first = getWaveSlice(h, 0);
    const OrvaneSlice* second = getWaveSlice(h, 1);
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(second->previous, first);
    EXPECT_EQ(first->end, second->start);
    EXPECT_NEAR(second->start * kRate, 20000, 0.005 * kRate);
    termWaveSlice(h);
}

TEST(WaveSlice, GetClosesAnOpenSliceAndClampsTheIndex)
{
    std::vector<int16_t> pcm(kRate / 2, 0);
    addHit(pcm, 11025, 0.5, 2.0, 6, 330.0);  // still sounding at the end
    void* h = feed(pcm);
    const OrvaneSlice* s = getWaveSlice(h, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_FLOAT_EQ(s->end, float(pcm.size()) * (1.0f / kRate));
    EXPECT_EQ(getWaveSlice(h, 1000), s);  // past the end: the last slice
    EXPECT_EQ(stopWaveSlice(h), 1u);
    termWaveSlice(h);
}

TEST(WaveSlice, FindsEveryOnsetOfADrumPatternWithin10Ms)
{
    // A bar of hits at uneven spacing and levels, fed in uneven blocks, stereo.
    // Hits 125 ms apart and ones after 300 ms of silence, where the envelope's tail has long
    // rung down below anything a 16-bit sample can hold.
    const double onsetsMs[] = {100, 350, 475, 800, 1050, 1175, 1300, 1800};
    const double levels[] = {0.8, 0.4, 0.6, 0.9, 0.3, 0.5, 0.7, 0.8};
    std::vector<int16_t> mono(2 * kRate, 0);
    for (int i = 0; i < 8; ++i)
        addHit(mono, size_t(onsetsMs[i] * kRate / 1000), levels[i], 0.025, 10 + i);
    std::fill(mono.begin() + 1350 * kRate / 1000, mono.begin() + 1800 * kRate / 1000, int16_t(0));
    std::vector<int16_t> stereo(mono.size() * 2);
    for (size_t i = 0; i < mono.size(); ++i)
        stereo[2 * i] = stereo[2 * i + 1] = mono[i];

    void* h = initWaveSlice(kBlock, 2, kRate, kOnDb, kOffDb, kRise, kMinSeconds);
    size_t at = 0;
    for (uint32_t len = 1; at < mono.size(); len = len * 7 % kBlock + 1) {
        const size_t n = std::min<size_t>(len, mono.size() - at);
        ASSERT_EQ(doWaveSlice(h, stereo.data() + 2 * at, uint32_t(n * 4)), 1);
        at += n;
    }
    ASSERT_EQ(stopWaveSlice(h), 8u);
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_NEAR(getWaveSlice(h, i)->start * 1000, onsetsMs[i], 10.0) << "hit " << i;
    termWaveSlice(h);
}

TEST(WaveSlice, BadCallsAreRefused)
{
    EXPECT_EQ(initWaveSlice(64, 1, 0, kOnDb, kOffDb, kRise, kMinSeconds), nullptr);
    void* h = initWaveSlice(64, 2, kRate, NAN, INFINITY, -5.0f, -1.0f);
    ASSERT_NE(h, nullptr);
    std::vector<int16_t> pcm = testsig::noisePcm16(256, 9);
    EXPECT_EQ(doWaveSlice(h, pcm.data(), 65 * 4), 0);  // larger than sized for
    EXPECT_EQ(doWaveSlice(h, nullptr, 4), 0);
    EXPECT_EQ(doWaveSlice(h, pcm.data(), 0), 1);
    EXPECT_EQ(doWaveSlice(h, pcm.data(), 64 * 4), 1);
    auto* slicer = static_cast<WaveSlice*>(h);
    slicer->allocBuffers(128, 2, kRate);  // buffers grew; the detector still takes 64 frames
    EXPECT_EQ(doWaveSlice(h, pcm.data(), 65 * 4), 0);
    EXPECT_EQ(slicer->processChannel(0, nullptr, nullptr, 10), 0u);
    EXPECT_EQ(termFader(h), 0);
    EXPECT_EQ(getWaveSlice(nullptr, 0), nullptr);
    EXPECT_EQ(stopWaveSlice(nullptr), 0u);
    EXPECT_EQ(termWaveSlice(h), 1);
}

}  // namespace
