#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "orvane/dsp.h"

// 100,000 blocks allocated, then freed in random order.
static void BM_FastHeapRandomFree(benchmark::State& state)
{
    std::mt19937 rng(1);
    std::vector<void*> blocks(100000);
    for (auto _ : state) {
        for (auto& b : blocks)
            b = fastmemAlloc(rng() % 256);
        std::shuffle(blocks.begin(), blocks.end(), rng);
        for (void* b : blocks)
            fastmemFree(b);
    }
    state.SetItemsProcessed(state.iterations() * blocks.size());
}
BENCHMARK(BM_FastHeapRandomFree)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
