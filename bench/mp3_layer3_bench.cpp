// Layer III decoding speed, file to PCM in memory on one core, as multiples of real time
// ("x_realtime"), on the plain, SSE and 3DNow! paths. The input is a 5-minute 128 kbit/s
// joint-stereo stream made once with the lame encoder from a generated signal and kept beside
// the benchmark executable (build/bin), not in the repository.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/decode_bench_support.h"

namespace {

std::string executableDir()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return ".";
    std::string path(buf, static_cast<size_t>(n));
    return path.substr(0, path.find_last_of('/'));
}

// A music-like stereo signal: chords of decaying notes every quarter second, a little noise,
// the channels panned apart so joint stereo switches between mid/side and left/right.
bool writeSource(const std::string& path, int seconds)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const int rate = 44100;
    const double pi = 3.14159265358979323846;
    const double notes[6] = {220.0, 277.18, 329.63, 440.0, 554.37, 659.25};
    uint32_t seed = 12345;
    std::vector<int16_t> block(2 * rate);
    for (int sec = 0; sec < seconds; ++sec) {
        for (int i = 0; i < rate; ++i) {
            const int n = sec * rate + i;
            const double t = double(n) / rate;
            const int beat = n / (rate / 4);
            const double env = std::exp(-8.0 * (n % (rate / 4)) / rate);
            double l = 0.0, r = 0.0;
            for (int k = 0; k < 3; ++k) {
                const double v = std::sin(2 * pi * notes[(beat + 2 * k) % 6] * (1 + k) * t) * env;
                l += v * (k == 0 ? 1.0 : 0.5);
                r += v * (k == 2 ? 1.0 : 0.5);
            }
            seed = seed * 1664525u + 1013904223u;
            const double noise = (double(seed >> 8) / double(1u << 24) - 0.5) * 0.05;
            block[2 * i] = static_cast<int16_t>(6000.0 * (l + noise));
            block[2 * i + 1] = static_cast<int16_t>(6000.0 * (r - noise));
        }
        std::fwrite(block.data(), sizeof(int16_t), block.size(), f);
    }
    std::fclose(f);
    return true;
}

// The benchmark stream, made on first use; empty when lame is missing.
std::string benchStream()
{
    const std::string dir = executableDir();
    const std::string mp3 = dir + "/layer3_bench_5min_128k_js.mp3";
    if (FILE* f = std::fopen(mp3.c_str(), "rb")) {
        std::fclose(f);
        return mp3;
    }
    const std::string raw = dir + "/layer3_bench_source.raw";
    if (!writeSource(raw, 300))
        return {};
    const std::string cmd = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b 128 '" + raw + "' '"
        + mp3 + "' 2>/dev/null";
    const int rc = std::system(cmd.c_str());
    std::remove(raw.c_str());
    return rc == 0 ? mp3 : std::string();
}

void BM_Layer3_128k_JointStereo(benchmark::State& state, player::SimdPath path)
{
    const std::string file = benchStream();
    if (file.empty()) {
        state.SkipWithError("lame encoder missing: cannot make the benchmark stream");
        return;
    }
    decodeFileBench(state, file, path);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Layer3_128k_JointStereo, plain, player::SimdPath::Plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer3_128k_JointStereo, sse, player::SimdPath::Sse)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer3_128k_JointStereo, threednow, player::SimdPath::ThreeDNow)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Layer3_128k_JointStereo, avx2, player::SimdPath::Avx2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
