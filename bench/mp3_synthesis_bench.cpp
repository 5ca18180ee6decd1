// One subband synthesis run (32 subband samples in, 32 PCM samples out) per path, and the
// matrixing DCT alone.
#include <benchmark/benchmark.h>

#include <random>

#include "mp3/decoder/fast_dct.h"
#include "mp3/decoder/synthesis_filter.h"
#include "mp3/player/player_settings.h"

namespace {

void BM_SynthesisRun(benchmark::State& state, player::SimdPath path)
{
    SynthesisFilter filter;
    filter.configure(path, 32768.0f);
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (int k = 0; k < 32; ++k)
        filter.samples()[k] = dist(rng);
    alignas(16) float out[32];
    for (auto _ : state) {
        filter.run(out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * 32);
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

BENCHMARK_CAPTURE(BM_SynthesisRun, plain, player::SimdPath::Plain);
BENCHMARK_CAPTURE(BM_SynthesisRun, sse, player::SimdPath::Sse);
BENCHMARK_CAPTURE(BM_SynthesisRun, threednow, player::SimdPath::ThreeDNow);
BENCHMARK_CAPTURE(BM_SynthesisRun, avx2, player::SimdPath::Avx2);
BENCHMARK(BM_Dct32);

BENCHMARK_MAIN();
