#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "orvane/dsp.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kBlock = 4096;

// One second of 44.1 kHz stereo music-like signal: a tone with a little noise.
std::vector<int16_t> secondOfStereo()
{
    std::vector<int16_t> pcm(size_t(kRate) * 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(12000 * std::sin(0.0627 * double(i / 2)) + (i * 7919 % 601) - 300);
    return pcm;
}

// +3 semitones, grains of 50 ms every 10 ms; the argument picks linear (0) or cubic (1) reading.
void BM_PitchShiftUp3Semitones(benchmark::State& state)
{
    void* h = initPitchShift(kBlock, 2, kRate, 300, 0, 0.05f, 0.01f, uint32_t(state.range(0)), 1);
    const std::vector<int16_t> pcm = secondOfStereo();
    std::vector<int16_t> out(size_t(kBlock) * 2 * 4);
    for (auto _ : state) {
        for (uint32_t done = 0; done < kRate; done += kBlock) {
            const uint32_t frames = done + kBlock <= kRate ? kBlock : kRate - done;
            benchmark::DoNotOptimize(doPitchShift(h, pcm.data() + size_t(done) * 2, out.data(), frames * 4));
        }
    }
    // Seconds of audio per second of processing: the real-time factor.
    state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    termPitchShift(h);
}
BENCHMARK(BM_PitchShiftUp3Semitones)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
