// Stream access speed: reading every frame of a 10-minute 128 kbit/s 44.1 kHz stream (header scan,
// body copy and word swap), frame-index seeks through the padding table, and the byte-by-byte scan
// over data that holds no frames.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"

namespace {

constexpr int kFrames = 23000;  // 10 minutes at 26.1 ms per frame

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo; padded like an encoder (0.96 per frame).
std::string makeStream()
{
    const std::string path = "/tmp/orvane_bench_stream.mp3";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return {};
    std::vector<unsigned char> frame(418, 0x11);
    int acc = 0;
    for (int i = 0; i < kFrames; ++i) {
        acc += 96;
        const bool pad = acc >= 100;
        if (pad)
            acc -= 100;
        const unsigned char header[4] = {0xFF, 0xFB, static_cast<unsigned char>(pad ? 0x92 : 0x90), 0x44};
        std::copy(header, header + 4, frame.begin());
        std::fwrite(frame.data(), 1, pad ? 418 : 417, f);
    }
    std::fclose(f);
    return path;
}

std::string makeNoise()
{
    const std::string path = "/tmp/orvane_bench_noise.bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return {};
    std::mt19937 rng(7);
    std::vector<unsigned char> bytes(4 << 20);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(rng());
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

void readAllFrames(benchmark::State& state)
{
    const std::string path = makeStream();
    int64_t frames = 0;
    for (auto _ : state) {
        auto reader = std::make_unique<StreamReader>(path.c_str(), 0);
        FrameHeader header;
        while (header.readFrame(*reader, nullptr))
            ++frames;
    }
    state.counters["frames_per_s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(frames * 418);
    std::remove(path.c_str());
}
BENCHMARK(readAllFrames)->Unit(benchmark::kMillisecond);

void seekFrames(benchmark::State& state)
{
    const std::string path = makeStream();
    auto reader = std::make_unique<StreamReader>(path.c_str(), 0);
    FrameHeader header;
    header.readFrame(*reader, nullptr);
    header.seekFrame(*reader, kFrames - 1);  // records the padding of every frame
    std::mt19937 rng(3);
    for (auto _ : state)
        benchmark::DoNotOptimize(header.seekFrame(*reader, int32_t(rng() % kFrames)));
    state.SetItemsProcessed(state.iterations());
    std::remove(path.c_str());
}
BENCHMARK(seekFrames);

void scanWithoutFrames(benchmark::State& state)
{
    const std::string path = makeNoise();
    for (auto _ : state) {
        auto reader = std::make_unique<StreamReader>(path.c_str(), 0);
        FrameHeader header;
        while (header.readFrame(*reader, nullptr)) { }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * (4 << 20));
    std::remove(path.c_str());
}
BENCHMARK(scanWithoutFrames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
