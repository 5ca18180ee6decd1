#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/audio_file.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/pcm16_input.h"
#include "tools/progress.h"

namespace {

const char* const kUsage = "IN [--on DB] [--off DB] [--rise PERCENT] [--min SECONDS]";
constexpr uint32_t kBlockFrames = 4096;

struct SliceOptions {
    std::string path;
    double onDb = -20.0;   // an attack must reach this level
    double offDb = -30.0;  // a slice ends when the envelope falls below this
    double rise = 10.0;    // and must climb this much (percent of full scale) from its valley
    double minSeconds = 0.05;
};

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Prints one line per slice: a slice starts where the level climbs --rise percent of full\n"
                 "scale from its last valley and reaches --on dB, and ends where it falls below --off dB;\n"
                 "none is shorter than --min seconds. IN is anything orvane fx reads (WAV of 8/16/24/32-bit\n"
                 "integer or float samples, or MPEG audio; - for standard input).\n");
}

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
            return usageError("one IN only");
        }
    }
    return o.path.empty() ? usageError("no IN given") : 0;
}

int runSlice(const std::vector<std::string>& args)
{
    SliceOptions o;
    if (const int status = parseOptions(args, o))
        return status;
    std::string error;
    const std::unique_ptr<AudioReader> in = openAudio(o.path, error);
    if (in == nullptr)
        return failure(error);
    void* slicer = initWaveSlice(kBlockFrames, in->channels(), in->rate(), float(o.onDb), float(o.offDb), float(o.rise),
                                 float(o.minSeconds));
    if (slicer == nullptr)
        return failure("cannot slice " + std::to_string(in->channels()) + " channels at " + std::to_string(in->rate())
                       + " Hz");
    std::vector<int16_t> block(size_t(kBlockFrames) * in->channels());
    Pcm16Input reader(*in);
    uint64_t done = 0;
    ProgressBar progress("slice");
    int64_t got = 0;
    while ((got = reader.read(block.data(), kBlockFrames)) > 0) {
        doWaveSlice(slicer, block.data(), uint32_t(got) * in->channels() * 2);
        done += uint64_t(got);
        progress.update(done, in->frames());
    }
    progress.finish();
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

ORVANE_COMMAND("slice", kUsage, "print the slices (start and end times) cut at the attacks of an input", runSlice,
               printDetails);
