#include <benchmark/benchmark.h>

#include "bench/rate_bench_support.h"
#include "orvane/dsp.h"

namespace {

using ratebench::kBlock;
using ratebench::kRate;

// 44.1 to 48 kHz, cubic, anti-alias on (60 dB over 60 dB per octave).
void BM_Resample44To48CubicAntiAlias(benchmark::State& state)
{
    void* h = initResampler(kBlock, 2, 2, kRate, 48000, 1, 60, 60, 1);
    ratebench::runSecondOfStereo(state, h, doResampler);
    termResampler(h);
}
BENCHMARK(BM_Resample44To48CubicAntiAlias)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
