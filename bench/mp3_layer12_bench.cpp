// Layer I and Layer II decoding speed, file to PCM in memory on one core, as multiples of real
// time ("x_realtime"), on the plain, SSE and 3DNow! synthesis paths. The inputs are conformance
// streams (Layer II: 192 kbit/s, Layer I: 384 kbit/s, both 44.1 kHz stereo) repeated to one minute.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/decode_bench_support.h"

namespace {

std::string conformancePath(const char* name)
{
    std::string here = __FILE__;
    here = here.substr(0, here.find_last_of('/'));
    return here + "/../../shared/conformance/" + name;
}

// Writes `name` repeated until it lasts about `seconds` of audio into a temporary file.
std::string repeatedStream(const char* name, double secondsPerCopy, double seconds)
{
    FILE* in = std::fopen(conformancePath(name).c_str(), "rb");
    if (!in)
        return {};
    std::vector<char> bytes;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(in);
    const std::string out = std::string("/tmp/orvane_bench_") + name + ".mp2";
    FILE* f = std::fopen(out.c_str(), "wb");
    if (!f)
        return {};
    for (double t = 0; t < seconds; t += secondsPerCopy)
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return out;
}

void decodeBench(benchmark::State& state, const char* stream, double secondsPerCopy, player::SimdPath path)
{
    const std::string file = repeatedStream(stream, secondsPerCopy, 60.0);
    if (file.empty()) {
        state.SkipWithError("conformance stream missing");
        return;
    }
    decodeFileBench(state, file, path);
    std::remove(file.c_str());
}

// l2-fl11: 192 kbit/s, 30720 bytes = 1.2800 s; l1-fl6: 384 kbit/s, 20480 bytes = 0.4267 s.
void BM_Layer2_192k(benchmark::State& s, player::SimdPath p)
{
    decodeBench(s, "l2-fl11.bit", 30720 * 8 / 192000.0, p);
}
void BM_Layer1_384k(benchmark::State& s, player::SimdPath p)
{
    decodeBench(s, "l1-fl6.bit", 20480 * 8 / 384000.0, p);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Layer2_192k, plain, player::SimdPath::Plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer2_192k, sse, player::SimdPath::Sse)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer2_192k, threednow, player::SimdPath::ThreeDNow)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer2_192k, avx2, player::SimdPath::Avx2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer1_384k, plain, player::SimdPath::Plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer1_384k, sse, player::SimdPath::Sse)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer1_384k, threednow, player::SimdPath::ThreeDNow)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer1_384k, avx2, player::SimdPath::Avx2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
