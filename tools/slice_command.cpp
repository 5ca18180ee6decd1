#include <cstdio>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/cli.h"
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

// 0 when the options are good, otherwise the exit status after a message.
int parseOptions(const std::vector<std::string>& args, SliceOptions& o)
{
    for (ArgReader r(args); !r.done();) {
        if (r.option("--on")) {
            if (!r.number(-120, 0, "dB", o.onDb))
                return 2;
        } else if (r.option("--off")) {
            if (!r.number(-120, 0, "dB", o.offDb))
                return 2;
        } else if (r.option("--rise")) {
            if (!r.number(0, 100, "percent", o.rise))
                return 2;
        } else if (r.option("--min")) {
            if (!r.number(0, 3600, "seconds", o.minSeconds))
                return 2;
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

int runSlice(const std::vector<std::string>& args)
{
    SliceOptions o;
    if (const int status = parseOptions(args, o))
        return status;
    void* in = initWavefileIn(o.path.c_str(), kBlockFrames);
    if (in == nullptr)
        return failure("cannot read '" + o.path + "' as a WAV file");
    const OrvaneWaveFormat format = *getFormatWavefileIn(in);
    void* slicer = format.wFormatTag == 1 && format.wBitsPerSample == 16 && format.nChannels <= 2
                       ? initWaveSlice(kBlockFrames, format.nChannels, format.nSamplesPerSec, float(o.onDb),
                                       float(o.offDb), float(o.rise), float(o.minSeconds))
                       : nullptr;
    if (slicer == nullptr) {
        termWavefileIn(in);
        return failure("'" + o.path + "' is not 16-bit PCM mono or stereo");
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
        return failure("read error in '" + o.path + "'");
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

ORVANE_COMMAND("slice", kUsage, "print the slices (start and end times) cut at the attacks of a WAV file", runSlice,
               nullptr);
