#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/fx_effect.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

constexpr uint32_t kBlockFrames = 4096;

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Runs a 16-bit PCM WAV file through the effects in the order given (none: a copy).\n"
                 "Each EFFECT is NAME or NAME:ARG,ARG,... (empty arguments take their default).\n\neffects:\n");
    for (const FxEffect& e : fxEffects())
        std::fprintf(out, "  %-10s %s\n             %s%s%s\n", e.name, e.summary, e.name, e.maxArgs ? ":" : "", e.params);
}

// Owns what one run opens, so every exit path closes the files and frees the chain.
struct FxRun {
    void* in = nullptr;
    WavOutput out;
    void* chain = nullptr;
    ~FxRun()
    {
        termWavefileIn(in);
        dspDestroy(chain);
    }
};

// Creates each named effect for the format the previous one delivers and adds it to the chain.
// Returns 0, or the exit status: 2 for a bad effect name or argument, 1 when the library refuses.
int buildChain(FxRun& run, const std::vector<std::string>& specs, const FxFormat& source)
{
    FxFormat format = source;
    for (size_t i = 0; i < specs.size(); ++i) {
        std::string name;
        std::vector<std::string> args;
        splitFxSpec(specs[i], name, args);
        const FxEffect* effect = findFxEffect(name);
        if (effect == nullptr)
            return usageError("unknown effect '" + name + "' (see 'orvane fx --help')");
        if (args.size() > effect->maxArgs)
            return usageError(name + " takes at most " + std::to_string(effect->maxArgs) +
                              (effect->maxArgs == 1 ? " argument: " : " arguments: ") + effect->params);
        std::string error;
        void* handle = effect->create(FxArgs(args), format, error);
        // Every message an effect gives names a bad argument; without one the library refused the setting.
        if (handle == nullptr && !error.empty())
            return usageError(name + ": " + error);
        if (handle == nullptr)
            return failure(name + ": cannot run on " + std::to_string(format.channels) + " channels at " +
                           std::to_string(format.rate) + " Hz with these arguments");
        if (dspAdd(run.chain, handle, uint32_t(i)) != int32_t(i + 1))
            return failure(name + ": the chain refused the effect");
        format = FxFormat{dspGetDstSize(run.chain, source.frames), dspGetDstChannels(run.chain), dspGetDstRate(run.chain)};
        if (verbosity() == Verbosity::verbose)
            note(specs[i] + ": now " + std::to_string(format.channels) + " channels at " + std::to_string(format.rate) +
                 " Hz");
    }
    return 0;
}

int runFx(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        return usageError("give IN.wav and OUT.wav before the effects");
    if (sameFile(args[0], args[1]))
        return failure("the output '" + args[1] + "' is the input");
    FxRun run;
    run.in = initWavefileIn(args[0].c_str(), kBlockFrames);
    if (run.in == nullptr)
        return failure("cannot read '" + args[0] + "' as a WAV file");
    const OrvaneWaveFormat inFormat = *getFormatWavefileIn(run.in);
    if (inFormat.wFormatTag != 1 || inFormat.wBitsPerSample != 16 || inFormat.nChannels < 1 || inFormat.nChannels > 2)
        return failure("'" + args[0] + "' is not 16-bit PCM mono or stereo");
    const FxFormat source{kBlockFrames, inFormat.nChannels, inFormat.nSamplesPerSec};
    run.chain = dspCreate(source.frames, source.channels, source.rate);
    if (run.chain == nullptr)
        return failure("cannot process a stream at " + std::to_string(source.rate) + " Hz");
    if (const int status = buildChain(run, std::vector<std::string>(args.begin() + 2, args.end()), source))
        return status;

    const uint32_t outChannels = dspGetDstChannels(run.chain);
    const uint32_t outRate = dspGetDstRate(run.chain);
    const OrvaneWaveFormat outFormat{1, uint16_t(outChannels), outRate, outRate * outChannels * 2,
                                     uint16_t(outChannels * 2), 16, 0};
    std::string error;
    if (!run.out.create(args[1], outFormat, error))
        return failure(error);

    std::vector<int16_t> inBlock(size_t(kBlockFrames) * source.channels);
    const uint32_t outFrames = std::max(dspGetDstSize(run.chain, kBlockFrames), kBlockFrames);
    std::vector<int16_t> outBlock(size_t(outFrames) * outChannels);
    WavDataReader reader(run.in);
    uint64_t done = 0;
    ProgressBar progress("fx");
    while (true) {
        const int32_t got = reader.read(inBlock.data(), kBlockFrames);
        if (got < 0)
            return failure("read error in '" + args[0] + "'");
        if (got == 0)
            break;
        const int32_t made = dspSend(run.chain, inBlock.data(), outBlock.data(), uint32_t(got));
        if (made > 0 && !run.out.write(outBlock.data(), made, error))
            return failure(error);
        done += uint32_t(got);
        progress.update(done, reader.totalBytes());
    }
    progress.finish();
    return run.out.finish(error) ? 0 : failure(error);
}

}  // namespace

ORVANE_COMMAND("fx", "IN.wav OUT.wav EFFECT...  (orvane fx --help lists the effects)",
               "run a WAV file through a chain of effects", runFx, printDetails);
