#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/command.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

const char* const kUsage = "IN.wav [--on DB] [--off DB] [--rise PERCENT] [--min SECONDS]";
constexpr uint32_t kBlockFrames = 4096;

struct SliceOptions {
    std::string path;
    double onDb = -20.0;     // an attack must reach this level
    double offDb = -30.0;    // a slice ends when the envelope falls below this
    double rise = 10.0;      // and must climb this much (percent of full scale) from its valley
    double minSeconds = 0.05;
};

bool parseNumber(const std::string& text, double min, double max, double& out)
{
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v < min || v > max)
        return false;
    out = v;
    return true;
}

bool parseOptions(const std::vector<std::string>& args, SliceOptions& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == "--on" && hasValue)
            ok = parseNumber(args[++i], -120, 0, o.onDb);
        else if (a == "--off" && hasValue)
            ok = parseNumber(args[++i], -120, 0, o.offDb);
        else if (a == "--rise" && hasValue)
            ok = parseNumber(args[++i], 0, 100, o.rise);
        else if (a == "--min" && hasValue)
            ok = parseNumber(args[++i], 0, 3600, o.minSeconds);
        else if (o.path.empty() && a.rfind("--", 0) != 0)
            o.path = a;
        else
            ok = false;
        if (!ok)
            return std::fprintf(stderr, "usage: orvane slice %s\n  levels in dB -120..0, rise 0..100 %%, min 0..3600 s\n",
                                kUsage),
                   false;
    }
    if (o.path.empty())
        return std::fprintf(stderr, "usage: orvane slice %s\n", kUsage), false;
    return true;
}

int runSlice(const std::vector<std::string>& args)
{
    SliceOptions o;
    if (!parseOptions(args, o))
        return 2;
    void* in = initWavefileIn(o.path.c_str(), kBlockFrames);
    if (in == nullptr)
        return std::fprintf(stderr, "orvane slice: cannot read '%s' as a WAV file\n", o.path.c_str()), 1;
    const OrvaneWaveFormat format = *getFormatWavefileIn(in);
    void* slicer = format.wFormatTag == 1 && format.wBitsPerSample == 16 && format.nChannels <= 2
                       ? initWaveSlice(kBlockFrames, format.nChannels, format.nSamplesPerSec, float(o.onDb),
                                       float(o.offDb), float(o.rise), float(o.minSeconds))
                       : nullptr;
    if (slicer == nullptr) {
        termWavefileIn(in);
        return std::fprintf(stderr, "orvane slice: '%s' is not 16-bit PCM mono or stereo\n", o.path.c_str()), 1;
    }
    std::vector<int16_t> block(size_t(kBlockFrames) * format.nChannels);
    WavDataReader reader(in);
    const uint64_t total = reader.totalBytes();
    uint64_t done = 0;
    ProgressBar progress("slice");
    int32_t got = 0;
    while ((got = reader.read(block.data(), kBlockFrames)) > 0) {
        doWaveSlice(slicer, block.data(), uint32_t(got));
        done += uint32_t(got);
        progress.update(done, total);
    }
    progress.finish();
    termWavefileIn(in);
    if (got < 0) {
        termWaveSlice(slicer);
        return std::fprintf(stderr, "orvane slice: read error in '%s'\n", o.path.c_str()), 1;
    }
    const uint32_t count = stopWaveSlice(slicer);
    std::printf("slice   start s     end s\n");
    uint32_t n = 0;
    for (const OrvaneSlice* s = count ? getWaveSlice(slicer, 0) : nullptr; s != nullptr; s = s->next)
        std::printf("%5u %9.3f %9.3f\n", ++n, s->start, s->end);
    termWaveSlice(slicer);
    return 0;
}

}  // namespace

ORVANE_COMMAND("slice", kUsage, "print the slices (start and end times) cut at the attacks of a WAV file", runSlice);
