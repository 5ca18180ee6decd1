#include <benchmark/benchmark.h>

#include "bench/rate_bench_support.h"
#include "orvane/dsp.h"

namespace {

using ratebench::kBlock;
using ratebench::kRate;

// Tempo +25 %: the length shrinks by 1/1.25 (scale 1000 * log2 1.25).
void BM_StretchTempoPlus25(benchmark::State& state)
{
    void* h = initStretch(kBlock, 2, kRate, 321.928f, 0, 0.05f, 0.01f);
    ratebench::runSecondOfStereo(state, h, doStretch);
    termStretch(h);
}
BENCHMARK(BM_StretchTempoPlus25)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
