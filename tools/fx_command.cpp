#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "orvane/dsp.h"
#include "tools/audio_file.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/fx_effect.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

constexpr uint32_t kBlockFrames = 4096;
const char* const kNormParams
    = "PEAK_DB (peak level after the other effects, dBFS -50..0, default 0; last effect only)";

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
                 "scales the whole result to a peak level (two passes)", kNormParams);
}

// Owns the chain of one run, so every exit path frees it.
struct FxChain {
    void* chain = nullptr;
    ~FxChain() { dspDestroy(chain); }
};

// The effects as given, with aliases expanded, and a closing normalisation if asked for.
struct FxPlan {
    std::vector<std::string> effects;
    bool normalise = false;
    double peakDb = 0.0;
};

int planEffects(const std::vector<std::string>& specs, FxPlan& plan)
{
    for (size_t i = 0; i < specs.size(); ++i) {
        std::string name;
        std::vector<std::string> args;
        splitFxSpec(specs[i], name, args);
        if (name == "norm") {
            if (i + 1 != specs.size())
                return usageError("norm must be the last effect");
            if (args.size() > 1)
                return usageError("norm takes at most 1 argument: " + std::string(kNormParams));
            plan.normalise = true;
            if (!args.empty() && !args[0].empty() && !parseNumber(args[0], -50, 0, "norm (peak dBFS)", plan.peakDb))
                return 2;
            continue;
        }
        const FxEffect* effect = findFxEffect(name);
        if (effect == nullptr)
            return usageError("unknown effect '" + name + "' (see 'orvane fx --help')");
        if (args.size() > effect->maxArgs)
            return usageError(name + " takes at most " + std::to_string(effect->maxArgs)
                              + (effect->maxArgs == 1 ? " argument: " : " arguments: ") + effect->params);
        if (effect->expand == nullptr) {
            plan.effects.push_back(specs[i]);
            continue;
        }
        std::string error;
        const std::vector<std::string> parts = effect->expand(FxArgs(args), error);
        if (parts.empty())
            return usageError(name + ": " + error);
        plan.effects.insert(plan.effects.end(), parts.begin(), parts.end());
    }
    return 0;
}

uint64_t gcd(uint64_t a, uint64_t b)
{
    while (b != 0)
        a = std::exchange(b, a % b);
    return a;
}

// Rate converters size each block's output as trunc(frames x out / in) and start every block
// afresh, so a block whose output is not whole loses the fraction. Blocks a whole number of
// rate periods long lose nothing: the length comes out exact and the phase never drifts.
uint32_t alignedBlock(uint32_t sourceRate, const std::vector<uint32_t>& stageRates)
{
    uint64_t period = 1;
    for (uint32_t rate : stageRates) {
        const uint64_t stage = sourceRate / gcd(sourceRate, rate);
        period = period / gcd(period, stage) * stage;
        if (period > kBlockFrames)
            return kBlockFrames;  // rates too far from a simple ratio: blocks stay whole, fractions are lost
    }
    return uint32_t(kBlockFrames / period * period);
}

// Creates each named effect for the format the previous one delivers and adds it to the chain;
// the rate after each goes to stageRates. Returns 0, or the exit status: 2 for a bad effect
// argument, 1 when the library refuses.
int buildChain(void* chain, const std::vector<std::string>& specs, const FxFormat& source,
               std::vector<uint32_t>& stageRates)
{
    FxFormat format = source;
    int32_t added = 0;
    for (size_t i = 0; i < specs.size(); ++i) {
        std::string name;
        std::vector<std::string> args;
        splitFxSpec(specs[i], name, args);
        const FxEffect* effect = findFxEffect(name);
        std::string error;
        std::vector<void*> stages;
        bool made = false;
        if (effect->createStages != nullptr) {
            made = effect->createStages(FxArgs(args), format, stages, error);
        } else if (void* handle = effect->create(FxArgs(args), format, error)) {
            stages.push_back(handle);
            made = true;
        }
        // Every message an effect gives names a bad argument; without one the library refused the setting.
        if (!made && !error.empty())
            return usageError(name + ": " + error);
        if (!made)
            return failure(name + ": cannot run on " + std::to_string(format.channels) + " channels at "
                           + std::to_string(format.rate) + " Hz with these arguments");
        for (void* stage : stages)
            if (dspAdd(chain, stage, uint32_t(i)) != ++added)
                return failure(name + ": the chain refused the effect");
        format = FxFormat{dspGetDstSize(chain, source.frames), dspGetDstChannels(chain), dspGetDstRate(chain)};
        stageRates.push_back(format.rate);
        if (verbosity() == Verbosity::verbose)
            note(specs[i] + ": now " + std::to_string(format.channels) + " channels at " + std::to_string(format.rate)
                 + " Hz");
    }
    return 0;
}

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
    std::vector<uint32_t> stageRates;
    if (const int status = buildChain(run.chain, effects, source, stageRates))
        return status;
    const uint32_t block = alignedBlock(source.rate, stageRates);

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
    if (out == nullptr)
        return 0;
    if (!out->close(error))
        return failure(error);
    if (in->cutShort())
        warning((inPath == "-" ? "standard input" : "'" + inPath + "'")
                + " ends before its header says: the missing part was not processed");
    if (out->clipped() > 0)
        warning(std::to_string(out->clipped()) + " samples clipped in the " + std::to_string(bits) + "-bit output");
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
    if (const int status = planEffects(std::vector<std::string>(operands.begin() + 2, operands.end()), plan))
        return status;
    if (plan.normalise && operands[0] == "-")
        return usageError("norm reads the input twice, so it cannot come from standard input");
    double peak = 0.0;
    if (plan.normalise) {
        if (const int status = runPass(operands[0], nullptr, uint32_t(bits), plan.effects, peak))
            return status;
        // Silence stays silence; otherwise the gain that brings the peak to the level asked for.
        if (peak > 0.0)
            plan.effects.push_back("gain:"
                                   + numberText(std::clamp(plan.peakDb - 20.0 * std::log10(peak), -50.0, 50.0)));
    }
    return runPass(operands[0], &operands[1], uint32_t(bits), plan.effects, peak);
}

}  // namespace

ORVANE_COMMAND("fx", "IN OUT.wav [--bits 16|24|32] EFFECT...  (orvane fx --help lists the effects)",
               "run a WAV file through a chain of effects", runFx, printDetails);
