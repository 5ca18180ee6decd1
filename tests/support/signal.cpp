#include "support/signal.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace testsig {

std::vector<int16_t> sinePcm16(double freqHz, double rateHz, uint32_t frames, uint32_t channels, double amplitude)
{
    std::vector<int16_t> out(size_t(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(std::lround(amplitude * std::sin(2.0 * M_PI * freqHz * i / rateHz)));
        for (uint32_t c = 0; c < channels; ++c)
            out[size_t(i) * channels + c] = v;
    }
    return out;
}

std::vector<float> sine(double freqHz, double rateHz, uint32_t frames, double amplitude, double phase)
{
    std::vector<float> out(frames);
    for (uint32_t i = 0; i < frames; ++i)
        out[i] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * freqHz * i / rateHz + phase));
    return out;
}

std::vector<int16_t> noisePcm16(uint32_t samples, uint32_t seed, int16_t amplitude)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(-amplitude, amplitude);
    std::vector<int16_t> out(samples);
    for (auto& s : out)
        s = static_cast<int16_t>(dist(rng));
    return out;
}

std::vector<float> noise(uint32_t samples, uint32_t seed, float amplitude)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-amplitude, amplitude);
    std::vector<float> out(samples);
    for (auto& s : out)
        s = dist(rng);
    return out;
}

double rms(const float* x, size_t n)
{
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += double(x[i]) * x[i];
    return n ? std::sqrt(sum / n) : 0.0;
}

double rmsPcm16(const int16_t* x, size_t n, size_t stride)
{
    double sum = 0;
    size_t count = 0;
    for (size_t i = 0; i < n; i += stride, ++count)
        sum += double(x[i]) * x[i];
    return count ? std::sqrt(sum / count) : 0.0;
}

double toneAmplitude(const float* x, size_t n, double freqHz, double rateHz)
{
    std::complex<double> acc = 0;
    for (size_t i = 0; i < n; ++i)
        acc += double(x[i]) * std::polar(1.0, -2.0 * M_PI * freqHz * double(i) / rateHz);
    return n ? 2.0 * std::abs(acc) / double(n) : 0.0;
}

double toneAmplitudePcm16(const int16_t* x, size_t n, double freqHz, double rateHz, size_t stride)
{
    std::vector<float> v;
    for (size_t i = 0; i < n; i += stride)
        v.push_back(static_cast<float>(x[i]));
    return toneAmplitude(v.data(), v.size(), freqHz, rateHz);
}

double dominantFrequency(const float* x, size_t n, double rateHz)
{
    // Coarse scan on a grid of rate/(4n), then parabolic refinement around the best point.
    const double step = rateHz / (4.0 * double(n));
    double bestF = 0, bestA = -1;
    for (double f = step; f < rateHz / 2; f += step) {
        const double a = toneAmplitude(x, n, f, rateHz);
        if (a > bestA) {
            bestA = a;
            bestF = f;
        }
    }
    const double a0 = toneAmplitude(x, n, bestF - step, rateHz);
    const double a2 = toneAmplitude(x, n, bestF + step, rateHz);
    const double denom = a0 - 2 * bestA + a2;
    return denom == 0 ? bestF : bestF + 0.5 * step * (a0 - a2) / denom;
}

namespace {

void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

uint32_t getLe(const std::vector<uint8_t>& in, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint32_t(in[at + i]) << (8 * i);
    return v;
}

}  // namespace

bool writeWavPcm16(const std::string& path, const std::vector<int16_t>& samples, uint32_t channels, uint32_t rate)
{
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    putLe(out, 36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(out, 16, 4);
    putLe(out, 1, 2);
    putLe(out, channels, 2);
    putLe(out, rate, 4);
    putLe(out, rate * channels * 2, 4);
    putLe(out, channels * 2, 2);
    putLe(out, 16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    putLe(out, dataBytes, 4);
    for (int16_t s : samples)
        putLe(out, uint16_t(s), 2);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    return bool(file);
}

std::vector<int16_t> readWavPcm16(const std::string& path, uint32_t* channels, uint32_t* rate)
{
    const std::vector<uint8_t> in = readFile(path);
    if (in.size() < 12 || std::string(in.begin(), in.begin() + 4) != "RIFF"
        || std::string(in.begin() + 8, in.begin() + 12) != "WAVE")
        return {};
    bool pcm16 = false;
    for (size_t at = 12; at + 8 <= in.size();) {
        const std::string id(in.begin() + at, in.begin() + at + 4);
        const uint32_t size = getLe(in, at + 4, 4);
        const size_t body = at + 8;
        if (id == "fmt " && body + 16 <= in.size()) {
            pcm16 = getLe(in, body, 2) == 1 && getLe(in, body + 14, 2) == 16;
            if (channels)
                *channels = getLe(in, body + 2, 2);
            if (rate)
                *rate = getLe(in, body + 4, 4);
        } else if (id == "data" && pcm16) {
            std::vector<int16_t> samples(std::min<size_t>(size, in.size() - body) / 2);
            for (size_t i = 0; i < samples.size(); ++i)
                samples[i] = int16_t(getLe(in, body + 2 * i, 2));
            return samples;
        }
        at = body + size + (size & 1);
    }
    return {};
}

std::string conformanceDir()
{
    struct stat st { };
    const std::string dir = ORVANE_CONFORMANCE_DIR;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? dir : std::string();
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string tempPath(const std::string& name)
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/orvane-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace testsig
