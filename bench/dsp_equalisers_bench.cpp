#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "orvane/dsp.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kBlock = 4096;

// One second of 44.1 kHz stereo noise, run block by block through an effect's do* export.
// The counter x_realtime is seconds of audio per second of processing.
template<class Do> void runSecond(benchmark::State& state, void* handle, Do doEffect)
{
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> dist(-12000, 12000);
    std::vector<int16_t> in(size_t(kRate) * 2), out(in.size());
    for (auto& s : in)
        s = int16_t(dist(rng));
    for (auto _ : state) {
        for (uint32_t frame = 0; frame < kRate; frame += kBlock) {
            const uint32_t frames = std::min(kBlock, kRate - frame);
            doEffect(handle, in.data() + 2 * frame, out.data() + 2 * frame, frames * 4);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_GraphicEq10BandStereo(benchmark::State& state)
{
    std::vector<GraphicEQBandParams> bands;
    for (int i = 0; i < 10; ++i)
        bands.push_back({float(31.25 * std::pow(2.0, i)), float(i % 3 - 1) * 3.0f, 0.9f, 0.99f});
    void* eq = initGraphicEQ(kBlock, 2, kRate, 10, bands.data(), 0.0f);
    runSecond(state, eq, doGraphicEQ);
    termGraphicEQ(eq);
}
BENCHMARK(BM_GraphicEq10BandStereo)->Unit(benchmark::kMillisecond);

void BM_ShelvingEq8GainStereo(benchmark::State& state)
{
    const float gains[8] = {6.0f, 3.0f, 0.0f, -3.0f, -6.0f, 0.0f, 2.0f, 4.0f};
    void* eq = initShelvingEQ(kBlock, 2, kRate, 8, gains, 0.0f);
    runSecond(state, eq, doShelvingEQ);
    termShelvingEQ(eq);
}
BENCHMARK(BM_ShelvingEq8GainStereo)->Unit(benchmark::kMillisecond);

void BM_IirFilter8thOrderStereo(benchmark::State& state)
{
    void* f = initIirFilter(kBlock, 2, kRate, 8, 5000.0f, 0);
    runSecond(state, f, doIirFilter);
    termIirFilter(f);
}
BENCHMARK(BM_IirFilter8thOrderStereo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
