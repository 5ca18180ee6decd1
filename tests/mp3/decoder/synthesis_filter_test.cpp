#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "decoder_test_support.h"
#include "mp3/decoder/fast_dct.h"
#include "mp3/decoder/frame_synthesis.h"
#include "mp3/decoder/synthesis_filter.h"
#include "mp3/decoder/synthesis_window_table.h"
#include "mp3/player/obuffer.h"
#include "mp3/player/player_settings.h"

namespace {

// The standard's synthesis written out directly: V shifted by 64, 64-value matrixing, U from V,
// windowing by D and the 16-term sums; double precision, scaled by volume.
class ReferenceSynthesis {
public:
    explicit ReferenceSynthesis(double volume) : volume_(volume), v_(1024, 0.0) { }
    std::vector<double> run(const float* s)
    {
        for (int i = 1023; i >= 64; --i)
            v_[i] = v_[i - 64];
        for (int i = 0; i < 64; ++i) {
            double sum = 0.0;
            for (int k = 0; k < 32; ++k)
                sum += std::cos((16 + i) * (2 * k + 1) * M_PI / 64.0) * s[k];
            v_[i] = sum;
        }
        double u[512];
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 32; ++j) {
                u[i * 64 + j] = v_[i * 128 + j];
                u[i * 64 + 32 + j] = v_[i * 128 + 96 + j];
            }
        std::vector<double> out(32, 0.0);
        for (int j = 0; j < 32; ++j)
            for (int i = 0; i < 16; ++i)
                out[j] += u[j + 32 * i] * decoder::synthesisWindow(j + 32 * i) * volume_;
        return out;
    }

private:
    double volume_;
    std::vector<double> v_;
};

class SynthesisPaths : public ::testing::TestWithParam<player::SimdPath> { };

TEST_P(SynthesisPaths, MatchesTheDirectSynthesisOverManyRuns)
{
    SynthesisFilter filter;
    filter.configure(GetParam(), 32768.0f);
    ReferenceSynthesis ref(32768.0);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    double worst = 0.0;
    // 40 runs cover every ring position more than twice, with both V buffers in use.
    for (int run = 0; run < 40; ++run) {
        for (int k = 0; k < 32; ++k)
            filter.samples()[k] = dist(rng) / (1 + k);
        const std::vector<double> want = ref.run(filter.samples());
        float got[32];
        filter.run(got);
        for (int i = 0; i < 32; ++i)
            worst = std::max(worst, std::fabs(got[i] - want[i]));
    }
    // Single-precision sums of values up to a few thousand: a small fraction of one 16-bit step.
    EXPECT_LT(worst, 0.02);
}

TEST_P(SynthesisPaths, RowsGiveTheSameBitsHoweverTheyAreSplitIntoCalls)
{
    // 61 rows through one filter per split: one call, single rows, and runs of every length that
    // makes the vector path take full and partial batches.
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> in(61 * 32);
    for (float& x : in)
        x = dist(rng);
    auto synthesize = [&](int step) {
        SynthesisFilter filter;
        filter.configure(GetParam(), 32768.0f);
        std::vector<float> out(in.size());
        for (int row = 0; row < 61; row += step)
            filter.runRows(in.data() + 32 * row, std::min(step, 61 - row), out.data() + 32 * row);
        return out;
    };
    const std::vector<float> whole = synthesize(61);
    for (int step : {1, 2, 3, 4, 5, 7, 8, 9, 12, 18, 36}) {
        const std::vector<float> split = synthesize(step);
        for (size_t i = 0; i < whole.size(); ++i)
            ASSERT_EQ(split[i], whole[i]) << "step " << step << " at " << i;
    }
}

TEST_P(SynthesisPaths, SilenceAndVolumeZeroGiveExactZeros)
{
    {
        SynthesisFilter filter;
        filter.configure(GetParam(), 0.0f);
        for (int k = 0; k < 32; ++k)
            filter.samples()[k] = 0.5f;
        float out[32];
        for (int run = 0; run < 20; ++run) {
            filter.run(out);
            for (float x : out)
                ASSERT_EQ(x, 0.0f);
        }
    }
    SynthesisFilter filter;
    filter.configure(GetParam(), 32768.0f);
    float out[32];
    for (int run = 0; run < 20; ++run) {
        filter.run(out);
        for (float x : out)
            ASSERT_EQ(x, 0.0f);
    }
}

TEST_P(SynthesisPaths, ResetForgetsTheHistory)
{
    SynthesisFilter fresh, used;
    fresh.configure(GetParam(), 32768.0f);
    used.configure(GetParam(), 32768.0f);
    for (int run = 0; run < 7; ++run) {
        for (int k = 0; k < 32; ++k)
            used.samples()[k] = 0.25f;
        used.run(nullptr);
    }
    used.reset();
    EXPECT_EQ(used.ringPosition(), 15);
    for (int run = 0; run < 18; ++run) {
        for (int k = 0; k < 32; ++k)
            fresh.samples()[k] = used.samples()[k] = std::sin(run + k);
        float a[32], b[32];
        fresh.run(a);
        used.run(b);
        for (int i = 0; i < 32; ++i)
            ASSERT_EQ(a[i], b[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(AllPaths, SynthesisPaths, ::testing::ValuesIn(decodertest::supportedPaths()),
                         [](const auto& p) { return std::string(decodertest::pathName(p.param)); });

TEST(SynthesisFilter, RingPositionAfterNRunsAndGuardsAroundTheOutput)
{
    SynthesisFilter filter;
    EXPECT_EQ(filter.ringPosition(), 15);
    std::vector<float> block(64, -7.0f);
    for (int n = 1; n <= 33; ++n) {
        filter.samples()[3] = 1.0f;
        filter.run(block.data() + 1);
        EXPECT_EQ(filter.ringPosition(), (15 + n) % 16);
    }
    // 32 samples from offset 1: the floats before and after stay untouched.
    EXPECT_EQ(block[0], -7.0f);
    for (int i = 33; i < 64; ++i)
        EXPECT_EQ(block[i], -7.0f);
}

TEST(SynthesisFilter, VolumeWindowFoldsTheVolumeIntoTheTaps)
{
    decoder::VolumeWindow w;
    decoder::buildVolumeWindow(1000.0f, w);
    for (int k = 0; k < decoder::kVolumeWindowSize; ++k)
        ASSERT_EQ(w.taps[k], 1000.0f * decoder::synthesisWindow(k));
}

TEST(SynthesisFilter, TwoChannelsOfAFrameInterleaveInTheOutputBlock)
{
    ObufferConfig config;
    config.layer = 2;
    config.bufferSize = 1;
    std::vector<float> sent;
    config.sink = [](void* ctx, const float* s, uint32_t n, uint32_t) {
        static_cast<std::vector<float>*>(ctx)->assign(s, s + n);
    };
    config.sinkContext = &sent;
    Obuffer out(2, config);
    ASSERT_FALSE(out.failed());
    FrameSynthesis synth(2);
    synth.configure(decodertest::settingsFor(player::SimdPath::Sse));
    synth.begin();
    for (int run = 0; run < 36; ++run) {
        synth.filter(0)->samples()[0] = 0.5f;   // DC on the left
        synth.filter(1)->samples()[0] = -0.5f;  // opposite DC on the right
        synth.run(0);
        synth.run(1);
    }
    // Runs past a frame's capacity store nothing.
    synth.run(0);
    EXPECT_EQ(synth.samples(), FrameSynthesis::kMaxSamples);
    synth.emit(out);
    ASSERT_EQ(sent.size(), 2u * 1152u);
    // Once the window has filled, the left samples sit at even positions and the right at odd.
    for (size_t i = 1024; i < sent.size(); i += 2) {
        ASSERT_GT(sent[i], 1000.0f) << i;
        ASSERT_LT(sent[i + 1], -1000.0f) << i;
    }
}

TEST(FastDct, MatchesTheDirectSum)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    float x[32], got[32];
    for (float& v : x)
        v = dist(rng);
    decoder::dct32(x, got);
    for (int m = 0; m < 32; ++m) {
        double want = 0.0;
        for (int k = 0; k < 32; ++k)
            want += x[k] * std::cos(m * (2 * k + 1) * M_PI / 64.0);
        EXPECT_NEAR(got[m], want, 1e-4) << "m=" << m;
    }
}

TEST(SynthesisWindowTable, HasTheWindowsSymmetry)
{
    // D is odd-symmetric about 256 except at multiples of 64, where it is even; its peak is D[256].
    for (int i = 1; i < 256; ++i) {
        const int32_t want = (i % 64 == 0) ? decoder::kSynthesisWindow[i] : -decoder::kSynthesisWindow[i];
        ASSERT_EQ(decoder::kSynthesisWindow[512 - i], want) << i;
    }
    EXPECT_EQ(decoder::kSynthesisWindow[0], 0);
    EXPECT_FLOAT_EQ(decoder::synthesisWindow(256), 1.144989014f);
}

}  // namespace
