// Cost of the output stage per decoded frame, as multiples of real time ("x_realtime") for
// 44.1 kHz stereo: the decoder's 32-sample writes, the block hand-over to a sink, the fifo's copy
// into its node and the output thread's take, and the conversion path to 16-bit PCM.
#include <benchmark/benchmark.h>

#include <vector>

#include "mp3/player/block_fifo.h"
#include "mp3/player/obuffer.h"
#include "orvane/dsp.h"

namespace {

constexpr uint32_t kFrameSamples = 1152;

void noSink(void*, const float* samples, uint32_t count, uint32_t)
{
    benchmark::DoNotOptimize(samples[count - 1]);
}

void writeFrames(benchmark::State& state, Obuffer& out)
{
    float chunk[32];
    for (uint32_t i = 0; i < 32; ++i)
        chunk[i] = static_cast<float>(i * 100);
    for (auto _ : state) {
        for (uint32_t run = 0; run < kFrameSamples / 32; ++run) {
            out.put32(0, chunk);
            out.put32(1, chunk);
        }
        out.frameDone();
    }
    const double seconds = static_cast<double>(state.iterations()) * kFrameSamples / 44100.0;
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}

void BM_FrameToSink(benchmark::State& state)
{
    ObufferConfig c;
    c.target = ObufferTarget::Sink;
    c.bufferSize = static_cast<int32_t>(state.range(0));
    c.sink = &noSink;
    Obuffer out(2, c);
    writeFrames(state, out);
}
BENCHMARK(BM_FrameToSink)->Arg(1)->Arg(12);

// Conversion to 16-bit PCM with no file named: the encode is what is measured.
void BM_FrameConverted(benchmark::State& state)
{
    ObufferConfig c;
    c.target = ObufferTarget::Convert;
    c.bufferSize = 12;
    Obuffer out(2, c);
    writeFrames(state, out);
}
BENCHMARK(BM_FrameConverted);

// One block of 12 stereo frames through the fifo: copy in, take out in pulls of 4096 frames.
void BM_FifoBlockRoundTrip(benchmark::State& state)
{
    const uint32_t samples = 12 * kFrameSamples * 2;
    std::vector<float> block(samples, 1.0f);
    std::vector<float> pull(4096 * 2);
    BlockFifo fifo;
    for (auto _ : state) {
        fifo.append(block.data(), samples);
        while (fifo.take(pull.data(), static_cast<uint32_t>(pull.size())) > 0) { }
    }
    const double seconds = static_cast<double>(state.iterations()) * 12 * kFrameSamples / 44100.0;
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * samples * sizeof(float));
}
BENCHMARK(BM_FifoBlockRoundTrip);

}  // namespace

BENCHMARK_MAIN();
