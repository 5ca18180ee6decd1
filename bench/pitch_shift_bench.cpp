#include <benchmark/benchmark.h>

#include "bench/rate_bench_support.h"
#include "orvane/dsp.h"

namespace {

using ratebench::kBlock;
using ratebench::kRate;

// +3 semitones, grains of 50 ms every 10 ms; the argument picks linear (0) or cubic (1) reading.
void BM_PitchShiftUp3Semitones(benchmark::State& state)
{
    void* h = initPitchShift(kBlock, 2, kRate, 300, 0, 0.05f, 0.01f, uint32_t(state.range(0)), 1);
    ratebench::runSecondOfStereo(state, h, doPitchShift);
    termPitchShift(h);
}
BENCHMARK(BM_PitchShiftUp3Semitones)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
