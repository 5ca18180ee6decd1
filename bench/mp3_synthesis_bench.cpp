// Subband synthesis of one Layer III granule of one channel (18 rows of 32 subband samples in,
// 576 PCM samples out, in one call as the decoder makes it) per path, and the matrixing DCT of
// one row alone.
#include <benchmark/benchmark.h>

#include <random>

#include "mp3/decoder/fast_dct.h"
#include "mp3/decoder/synthesis_filter.h"
#include "mp3/player/player_settings.h"

namespace {

void BM_SynthesisGranule(benchmark::State& state, player::SimdPath path)
{
    SynthesisFilter filter;
    filter.configure(path, 32768.0f);
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    alignas(32) float in[18 * 32], out[18 * 32];
    for (float& x : in)
        x = dist(rng);
    for (auto _ : state) {
        filter.runRows(in, 18, out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * 18 * 32);
}

void BM_Dct32(benchmark::State& state)
{
    float x[32], y[32];
    for (int k = 0; k < 32; ++k)
        x[k] = 0.01f * k;
    for (auto _ : state) {
        decoder::dct32(x, y);
        benchmark::DoNotOptimize(y);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_SynthesisGranule, plain, player::SimdPath::Plain);
BENCHMARK_CAPTURE(BM_SynthesisGranule, sse, player::SimdPath::Sse);
BENCHMARK_CAPTURE(BM_SynthesisGranule, threednow, player::SimdPath::ThreeDNow);
BENCHMARK_CAPTURE(BM_SynthesisGranule, avx2, player::SimdPath::Avx2);
BENCHMARK(BM_Dct32);

BENCHMARK_MAIN();
