#include <benchmark/benchmark.h>

#include "bench/rate_bench_support.h"
#include "orvane/dsp.h"

namespace {

using ratebench::kBlock;
using ratebench::kRate;

// 44.1 kHz stereo to 48 kHz with harmonics 0.3 mixed at 100 %, edge-adaptive.
void BM_Hqups44To48Harmonics(benchmark::State& state)
{
    void* h = initHqupsBySrcsize(kBlock, 2, 2, kRate, 0.3f, 100, 16000, 1, 60, 240, 1, 1);
    ratebench::runSecondOfStereo(state, h, doHqups);
    termHqups(h);
}
BENCHMARK(BM_Hqups44To48Harmonics)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
