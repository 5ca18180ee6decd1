#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/audio_file.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/fx_effect.h"
#include "tools/fx_plan.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

constexpr uint32_t kBlockFrames = 4096;

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Runs IN (a WAV file of 8/16/24/32-bit integer or float samples, or MPEG audio; - for\n"
                 "standard input) through the effects in the order given (none: a copy) into OUT.wav\n"
                 "(- for standard output) of 16-bit samples, or 24-bit or float with --bits 24 or 32.\n"
                 "Each EFFECT is NAME or NAME:ARG,ARG,... (empty arguments take their default).\n\neffects:\n");
    for (const FxEffect& e : fxEffects())
        std::fprintf(out, "  %-10s %s\n             %s%s%s\n", e.name, e.summary, e.name, e.maxArgs ? ":" : "",
                     e.params);
    std::fprintf(out, "  %-10s %s\n             norm:%s\n", "norm",
                 "scales the whole result to a peak level (two passes)", kFxNormParams);
}

// Owns the chain of one run, so every exit path frees it.
struct FxChain {
    void* chain = nullptr;
    ~FxChain() { dspDestroy(chain); }
};

// One run of the input through the effects: into outPath as bits-bit samples, or (null) only
// to find the output's peak in full-scale units, unclipped.
int runPass(const std::string& inPath, const std::string* outPath, uint32_t bits,
            const std::vector<std::string>& effects, double& peak)
{
    std::string error;
    const std::unique_ptr<AudioReader> in = openAudio(inPath, error);
    if (in == nullptr)
        return failure(error);
    const FxFormat source{kBlockFrames, in->channels(), in->rate()};
    FxChain run;
    run.chain = dspCreate(source.frames, source.channels, source.rate);
    if (run.chain == nullptr)
        return failure("cannot process a stream at " + std::to_string(source.rate) + " Hz");
    std::vector<FxFormat> stages;
    const FxBuild built = buildFxChain(run.chain, effects, source, stages, error);
    if (built == FxBuild::badArgument)
        return usageError(error);
    if (built == FxBuild::refused)
        return failure(error);
    for (size_t i = 0; i < stages.size() && verbosity() == Verbosity::verbose; ++i)
        note(effects[i] + ": now " + std::to_string(stages[i].channels) + " channels at "
             + std::to_string(stages[i].rate) + " Hz");
    const uint32_t block = fxAlignedBlock(kBlockFrames, source.rate, stages);

    const uint32_t outChannels = dspGetDstChannels(run.chain);
    std::unique_ptr<AudioWriter> out;
    if (outPath != nullptr
        && (out = AudioWriter::create(*outPath, dspGetDstRate(run.chain), outChannels, bits, error)) == nullptr)
        return failure(error);

    std::vector<float> inBlock(size_t(kBlockFrames) * source.channels);
    const uint32_t outFrames = std::max(dspGetDstSize(run.chain, kBlockFrames), kBlockFrames);
    std::vector<float> outBlock(size_t(outFrames) * outChannels);
    uint64_t done = 0;
    ProgressBar progress(outPath != nullptr ? "fx" : "fx: measuring");
    while (true) {
        const int64_t got = in->read(inBlock.data(), block);
        if (got < 0)
            return failure("read error in '" + inPath + "'");
        if (got == 0)
            break;
        const int32_t made = dspSendFloat(run.chain, inBlock.data(), outBlock.data(), uint32_t(got));
        if (out != nullptr && made > 0 && !out->write(outBlock.data(), uint32_t(made), error))
            return failure(error);
        for (size_t i = 0; out == nullptr && i < size_t(std::max(made, 0)) * outChannels; ++i)
            peak = std::max(peak, double(std::fabs(outBlock[i])));
        done += uint64_t(got);
        progress.update(done, in->frames());
    }
    progress.finish();
    if (out != nullptr && !out->close(error))
        return failure(error);
    return 0;
}

int runFx(const std::vector<std::string>& args)
{
    std::vector<std::string> operands;
    long bits = 16;
    for (ArgReader r(args); !r.done();) {
        if (r.option("--bits")) {
            if (!r.integer(16, 32, "16, 24 or 32 for float", bits))
                return 2;
            if (bits != 16 && bits != 24 && bits != 32)
                return usageError("--bits must be 16, 24 or 32 (float), not " + std::to_string(bits));
        } else if (const int status = r.operand(operands)) {
            return status;
        }
    }
    if (operands.size() < 2)
        return usageError("give IN and OUT.wav before the effects");
    if (operands[1] != "-" && sameFile(operands[0], operands[1]))
        return failure("the output '" + operands[1] + "' is the input");
    FxPlan plan;
    std::string error;
    if (!planFxEffects(std::vector<std::string>(operands.begin() + 2, operands.end()), plan, error))
        return usageError(error);
    if (plan.normalise && operands[0] == "-")
        return usageError("norm reads the input twice, so it cannot come from standard input");
    double peak = 0.0;
    if (plan.normalise) {
        if (const int status = runPass(operands[0], nullptr, uint32_t(bits), plan.effects, peak))
            return status;
        // Silence stays silence; otherwise the gain that brings the peak to the level asked for.
        for (const std::string& gain : fxNormGain(plan.peakDb, peak))
            plan.effects.push_back(gain);
    }
    return runPass(operands[0], &operands[1], uint32_t(bits), plan.effects, peak);
}

}  // namespace

ORVANE_COMMAND("fx", "IN OUT.wav [--bits 16|24|32] EFFECT...  (orvane fx --help lists the effects)",
               "run a WAV file through a chain of effects", runFx, printDetails);
