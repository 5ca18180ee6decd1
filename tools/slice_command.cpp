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

const char* const kUsage = "IN [--for music|speech] [--on DB] [--off DB] [--rise PERCENT] [--min SECONDS]";
constexpr uint32_t kBlockFrames = 4096;

struct SliceSettings {
    double onDb;        // an attack must reach this level
    double offDb;       // a slice ends when the envelope falls below this
    double rise;        // and must climb this much (percent of full scale) from its valley
    double minSeconds;  // no slice is shorter
};

// Music: loud, sharp attacks (beats, notes). Speech: syllables at quieter levels whose
// envelope climbs in small steps between the voice's ripples.
constexpr SliceSettings kMusic{-20.0, -30.0, 10.0, 0.05};
constexpr SliceSettings kSpeech{-30.0, -40.0, 3.0, 0.08};

struct SliceOptions {
    std::string path;
    SliceSettings settings = kMusic;
};

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Prints one line per slice: a slice starts where the level climbs --rise percent of full\n"
                 "scale from its last valley and reaches --on dB, and ends where it falls below --off dB;\n"
                 "none is shorter than --min seconds. --for picks all four for the material:\n"
                 "  music   --on -20 --off -30 --rise 10 --min 0.05 (the default): beats and notes\n"
                 "  speech  --on -30 --off -40 --rise 3 --min 0.08: syllables\n"
                 "Options given besides --for override its values. IN is anything orvane fx reads (WAV of\n"
                 "8/16/24/32-bit integer or float samples, or MPEG audio; - for standard input).\n");
}

// 0 when the options are good, otherwise the exit status after a message.
int parseOptions(const std::vector<std::string>& args, SliceOptions& o)
{
    // The preset first, so the options given beside it override its values wherever they stand.
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "--for")
            o.settings = args[i + 1] == "speech" ? kSpeech : kMusic;
    SliceSettings& s = o.settings;
    for (ArgReader r(args); !r.done();) {
        std::string material;
        if (r.option("--for")) {
            if (!r.value(material))
                return 2;
            if (material != "music" && material != "speech")
                return usageError("--for takes music or speech, not '" + material + "'");
        } else if (r.option("--on")) {
            if (!r.number(-120, 0, "dB", s.onDb))
                return 2;
        } else if (r.option("--off")) {
            if (!r.number(-120, 0, "dB", s.offDb))
                return 2;
        } else if (r.option("--rise")) {
            if (!r.number(0, 100, "percent", s.rise))
                return 2;
        } else if (r.option("--min")) {
            if (!r.number(0, 3600, "seconds", s.minSeconds))
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
    const SliceSettings& s = o.settings;
    void* slicer = initWaveSlice(kBlockFrames, in->channels(), in->rate(), float(s.onDb), float(s.offDb), float(s.rise),
                                 float(s.minSeconds));
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
    for (const OrvaneSlice* slice = count ? getWaveSlice(slicer, 0) : nullptr; slice != nullptr; slice = slice->next)
        std::printf("%5u %9.3f %9.3f\n", ++n, slice->start, slice->end);
    termWaveSlice(slicer);
    return 0;
}

}  // namespace

ORVANE_COMMAND("slice", kUsage, "print the slices (start and end times) cut at the attacks of an input", runSlice,
               printDetails);
