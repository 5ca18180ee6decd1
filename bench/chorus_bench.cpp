#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "orvane/dsp.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kBlock = 4096;

// One second of 44.1 kHz stereo noise through a chorus, block by block; x_realtime is seconds
// of audio per second of processing.
void BM_Chorus3VoicesStereo(benchmark::State& state)
{
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> dist(-12000, 12000);
    std::vector<int16_t> in(size_t(kRate) * 2), out(in.size());
    for (auto& s : in)
        s = int16_t(dist(rng));
    void* chorus = initChorus(kBlock, 2, kRate, 3, 20.0f, 3.0f, 2.0f, 40.0f, 70.0f);
    for (auto _ : state) {
        for (uint32_t frame = 0; frame < kRate; frame += kBlock) {
            const uint32_t frames = std::min(kBlock, kRate - frame);
            doChorus(chorus, in.data() + 2 * frame, out.data() + 2 * frame, frames * 4);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    termChorus(chorus);
}
BENCHMARK(BM_Chorus3VoicesStereo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
