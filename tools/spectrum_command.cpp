#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

const char* const kUsage = "IN.wav [--size N] [--bands K] [--csv]";

struct SpectrumOptions {
    std::string path;
    uint32_t size = 4096;  // FFT length
    uint32_t bands = 24;   // rows of the printed table
    bool csv = false;
};

// 0 when the options are good, otherwise the exit status after a message.
int parseOptions(const std::vector<std::string>& args, SpectrumOptions& o)
{
    for (ArgReader r(args); !r.done();) {
        long count = 0;
        if (r.option("--size")) {
            if (!r.integer(4, 32768, "a power of two", count))
                return 2;
            if (count & (count - 1))
                return usageError("--size must be a power of two, not " + std::to_string(count));
            o.size = uint32_t(count);
        } else if (r.option("--bands")) {
            if (!r.integer(1, 1000, "rows", count))
                return 2;
            o.bands = uint32_t(count);
        } else if (r.option("--csv")) {
            o.csv = true;
        } else if (r.isOption()) {
            return usageError("unknown option '" + r.current() + "'");
        } else if (o.path.empty()) {
            o.path = r.current();
            r.skip();
        } else {
            return usageError("one IN.wav only");
        }
    }
    return o.path.empty() ? usageError("no IN.wav given") : 0;
}

// Long-term spectrum: the power of every half-overlapped frame, averaged per bin and channel.
bool measure(const SpectrumOptions& o, uint32_t& rate, uint32_t& channels, std::vector<double>& power)
{
    void* in = initWavefileIn(o.path.c_str(), o.size / 2);
    if (in == nullptr)
        return failure("cannot read '" + o.path + "' as a WAV file"), false;
    const OrvaneWaveFormat format = *getFormatWavefileIn(in);
    channels = format.nChannels;
    rate = format.nSamplesPerSec;
    void* analyser = format.wFormatTag == 1 && format.wBitsPerSample == 16 ? initFftAnalyze(o.size / 2, channels, o.size, o.size)
                                                                             : nullptr;
    if (analyser == nullptr) {
        termWavefileIn(in);
        return failure("'" + o.path + "' is not 16-bit PCM mono or stereo"), false;
    }
    const uint32_t bins = o.size / 2;
    std::vector<int16_t> block(size_t(bins) * channels);
    std::vector<float> db(size_t(bins) * channels);
    power.assign(size_t(bins) * channels, 0.0);
    WavDataReader reader(in);
    const uint64_t total = reader.totalBytes();
    uint64_t done = 0;
    uint64_t frames = 0;
    ProgressBar progress("spectrum");
    int32_t got = 0;
    while ((got = reader.read(block.data(), bins)) > 0) {
        doFftAnalyze(analyser, block.data(), db.data(), uint32_t(got));
        for (size_t k = 0; k < db.size(); ++k)
            power[k] += std::pow(10.0, db[k] / 10.0);
        ++frames;
        done += uint32_t(got);
        progress.update(done, total);
    }
    progress.finish();
    termFftAnalyze(analyser);
    termWavefileIn(in);
    if (got < 0)
        return failure("read error in '" + o.path + "'"), false;
    for (double& p : power)
        p /= double(std::max<uint64_t>(frames, 1));
    return true;
}

int runSpectrum(const std::vector<std::string>& args)
{
    SpectrumOptions o;
    if (const int status = parseOptions(args, o))
        return status;
    uint32_t rate = 0;
    uint32_t channels = 0;
    std::vector<double> power;
    if (!measure(o, rate, channels, power))
        return 1;
    const uint32_t bins = o.size / 2;
    // A full-scale sine centred on a bin reads 20 log10(N/4) dB; shown as 0 dBFS.
    const double reference = 20.0 * std::log10(o.size / 4.0);
    const auto level = [&](double p) { return p > 0.0 ? std::max(10.0 * std::log10(p) - reference, -140.0) : -140.0; };
    if (o.csv) {
        std::printf(channels == 2 ? "hz,left_dbfs,right_dbfs\n" : "hz,dbfs\n");
        for (uint32_t k = 0; k < bins; ++k) {
            std::printf("%.2f,%.2f", double(k) * rate / o.size, level(power[k]));
            if (channels == 2)
                std::printf(",%.2f", level(power[bins + k]));
            std::printf("\n");
        }
        return 0;
    }
    // Log-spaced bands from the first bin to the Nyquist frequency; each shows its mean power.
    std::printf("%s: long-term spectrum, %u-point FFT, %u Hz, channels averaged\n", o.path.c_str(), o.size, rate);
    std::printf("%10s %10s %9s\n", "from Hz", "to Hz", "dBFS");
    const double lowest = double(rate) / o.size;
    const double ratio = std::pow(double(bins), 1.0 / o.bands);
    uint32_t first = 1;
    for (uint32_t b = 0; b < o.bands; ++b) {
        first = std::max(first, uint32_t(std::lround(std::pow(ratio, b))));
        const uint32_t last = std::min<uint32_t>(bins, std::max(first + 1, uint32_t(std::lround(std::pow(ratio, b + 1)))));
        if (first >= last)
            continue;
        double sum = 0.0;
        for (uint32_t k = first; k < last; ++k)
            for (uint32_t c = 0; c < channels; ++c)
                sum += power[size_t(c) * bins + k];
        const double db = level(sum / ((last - first) * channels));
        const int bar = int(std::lround((db + 120.0) / 2.0));
        std::printf("%10.1f %10.1f %9.1f  %s\n", first * lowest, last * lowest, db, std::string(std::max(bar, 0), '#').c_str());
        first = last;
    }
    return 0;
}

}  // namespace

ORVANE_COMMAND("spectrum", kUsage, "print the long-term spectrum of a WAV file", runSpectrum, nullptr);
