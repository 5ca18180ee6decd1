#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "orvane/dsp.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kBlock = 4096;

// One second of two 44.1 kHz stereo noise streams through a cross-fade that runs the whole
// second, with both level faders ramping too: the dearest case, a table look-up per sample
// and unit. x_realtime is seconds of audio per second of processing.
void BM_RunningCrossFadeStereo(benchmark::State& state)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> dist(-12000, 12000);
    std::vector<int16_t> a(size_t(kRate) * 2), b(a.size()), out(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = int16_t(dist(rng));
        b[i] = int16_t(dist(rng));
    }
    double second = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        void* fader = initFader(kBlock, 2, kRate, 1.0f, 0.0f, -20.0f);
        setCrossFaderAction(fader, 1e-4f, 1.0f, -1.0f);
        setFaderAction(fader, 0, 1e-4f, 1.0f, -20.0f);
        setFaderAction(fader, 1, 1e-4f, 1.0f, 0.0f);
        state.ResumeTiming();
        for (uint32_t frame = 0; frame < kRate; frame += kBlock) {
            const uint32_t frames = std::min(kBlock, kRate - frame);
            doCrossFade(fader, a.data() + 2 * frame, b.data() + 2 * frame, out.data() + 2 * frame, frames * 4);
        }
        benchmark::DoNotOptimize(out.data());
        state.PauseTiming();
        termFader(fader);
        state.ResumeTiming();
        second += 1.0;
    }
    state.counters["x_realtime"] = benchmark::Counter(second, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RunningCrossFadeStereo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
