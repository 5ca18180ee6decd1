#pragma once

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

// The common measure of the rate benchmarks: one second of 44.1 kHz stereo in 4096-frame blocks.
namespace ratebench {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kBlock = 4096;

// One second of music-like stereo signal: a tone with a little noise.
inline std::vector<int16_t> secondOfStereo()
{
    std::vector<int16_t> pcm(size_t(kRate) * 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(12000 * std::sin(0.0627 * double(i / 2)) + (i * 7919 % 601) - 300);
    return pcm;
}

// Runs process(handle, src, dst, bytes) over the second once per iteration and reports the
// real-time factor (seconds of audio per second of processing) as x_realtime.
template<class Process> void runSecondOfStereo(benchmark::State& state, void* handle, Process process)
{
    const std::vector<int16_t> pcm = secondOfStereo();
    std::vector<int16_t> out(size_t(kBlock) * 2 * 4);
    for (auto _ : state) {
        for (uint32_t done = 0; done < kRate; done += kBlock) {
            const uint32_t frames = done + kBlock <= kRate ? kBlock : kRate - done;
            benchmark::DoNotOptimize(process(handle, pcm.data() + size_t(done) * 2, out.data(), frames * 4));
        }
    }
    state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace ratebench
