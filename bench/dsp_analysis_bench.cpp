#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "orvane/dsp.h"

namespace {

std::vector<int16_t> tonePcm(uint32_t frames, uint32_t channels)
{
    std::vector<int16_t> pcm(size_t(frames) * channels);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(12000 * std::sin(0.05 * double(i / channels)) + (i * 7919 % 601) - 300);
    return pcm;
}

// doFft as the player's spectrum read-out uses it: stereo, two spectra, N from the argument.
void BM_DoFftStereo(benchmark::State& state)
{
    const auto n = uint32_t(state.range(0));
    void* h = initFft(n, 2, 2, 120);
    const std::vector<int16_t> pcm = tonePcm(n, 2);
    std::vector<float> out(n);
    for (auto _ : state)
        benchmark::DoNotOptimize(doFft(h, pcm.data(), out.data(), n * 4));
    state.SetItemsProcessed(state.iterations() * n);
    termFft(h);
}
BENCHMARK(BM_DoFftStereo)->Arg(512)->Arg(4096)->Arg(32768)->Unit(benchmark::kMicrosecond);

// Overlapped analyser over 576-frame blocks, N = 1024 within a 1344-sample history.
void BM_FftAnalyzeStereo(benchmark::State& state)
{
    void* h = initFftAnalyze(576, 2, 1024, 1344);
    const std::vector<int16_t> pcm = tonePcm(576, 2);
    std::vector<float> out(1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(doFftAnalyze(h, pcm.data(), out.data(), 576 * 4));
    state.SetItemsProcessed(state.iterations() * 576);
    termFftAnalyze(h);
}
BENCHMARK(BM_FftAnalyzeStereo)->Unit(benchmark::kMicrosecond);

// Envelope of a stereo 4096-frame block at 44100 Hz (44-sample peak hold per sample).
void BM_EnvAnalyzeStereo(benchmark::State& state)
{
    void* h = initEnvAnalyze(4096, 2, 44100);
    const std::vector<int16_t> pcm = tonePcm(4096, 2);
    std::vector<float> out(8192);
    for (auto _ : state)
        benchmark::DoNotOptimize(doEnvAnalyze(h, pcm.data(), out.data(), 4096 * 4));
    state.SetItemsProcessed(state.iterations() * 4096);
    termEnvAnalyze(h);
}
BENCHMARK(BM_EnvAnalyzeStereo)->Unit(benchmark::kMicrosecond);

// A chain of two IIR filters on stereo 4096-frame blocks: the chain's own overhead is two conversions.
void BM_ChainTwoIirStereo(benchmark::State& state)
{
    void* chain = dspCreate(4096, 2, 44100);
    dspAdd(chain, initIirFilter(4096, 2, 44100, 4, 3000.0f, 0), 0);
    dspAdd(chain, initIirFilter(4096, 2, 44100, 2, 100.0f, 1), 1);
    const std::vector<int16_t> pcm = tonePcm(4096, 2);
    std::vector<int16_t> out(pcm.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(dspSend(chain, pcm.data(), out.data(), 4096 * 4));
    state.SetItemsProcessed(state.iterations() * 4096);
    dspDestroy(chain);
}
BENCHMARK(BM_ChainTwoIirStereo)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
