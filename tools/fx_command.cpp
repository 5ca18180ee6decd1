#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "platform/tool/files.h"
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
                 "scales the whole result to a peak level (kept aside, then scaled)", kNormParams);
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

// Creates each named effect for the format the previous one delivers and adds it to the chain.
// Returns 0, or the exit status: 2 for a bad effect argument, 1 when the library refuses.
int buildChain(void* chain, const std::vector<std::string>& specs, const FxFormat& source)
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
        if (verbosity() == Verbosity::verbose)
            note(specs[i] + ": now " + std::to_string(format.channels) + " channels at " + std::to_string(format.rate)
                 + " Hz");
    }
    return 0;
}

// Owns a temporary file of the chain's output, closed (and so removed) however the run ends.
struct Spool {
    FILE* file = nullptr;
    ~Spool()
    {
        if (file != nullptr)
            std::fclose(file);
    }
};

// Scales the spooled samples by gain into out; false with the reason in error.
bool writeScaled(FILE* spool, AudioWriter& out, uint32_t channels, float gain, std::string& error)
{
    std::rewind(spool);
    std::vector<float> block(size_t(kBlockFrames) * channels);
    while (const size_t samples = std::fread(block.data(), sizeof(float), block.size(), spool)) {
        for (size_t i = 0; i < samples; ++i)
            block[i] *= gain;
        if (!out.write(block.data(), uint32_t(samples / channels), error))
            return false;
    }
    if (std::ferror(spool))
        return error = "cannot read back the temporary file", false;
    return true;
}

// Runs the input once through the effects into outPath. For norm the chain's output is kept
// aside while its peak is found and then scaled to the level asked for, so the effects run once
// and the level is that of exactly what is written.
int runChain(const std::string& inPath, const std::string& outPath, uint32_t bits, const FxPlan& plan)
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
    if (const int status = buildChain(run.chain, plan.effects, source))
        return status;

    const uint32_t outChannels = dspGetDstChannels(run.chain);
    Spool spool;
    if (plan.normalise && (spool.file = platform::openTemporaryStream()) == nullptr)
        return failure("cannot make a temporary file for norm");
    const std::unique_ptr<AudioWriter> out
        = AudioWriter::create(outPath, dspGetDstRate(run.chain), outChannels, effectOutputFormat(bits), false, error);
    if (out == nullptr)
        return failure(error);

    std::vector<float> inBlock(size_t(kBlockFrames) * source.channels);
    const uint32_t outFrames = std::max(dspGetDstSize(run.chain, kBlockFrames), kBlockFrames);
    std::vector<float> outBlock(size_t(outFrames) * outChannels);
    uint64_t done = 0;
    double peak = 0.0;
    ProgressBar progress("fx");
    while (true) {
        const int64_t got = in->read(inBlock.data(), kBlockFrames);
        if (got < 0)
            return failure("read error in '" + inPath + "'");
        if (got == 0)
            break;
        const int32_t made = dspSendFloat(run.chain, inBlock.data(), outBlock.data(), uint32_t(got));
        const size_t samples = size_t(std::max(made, 0)) * outChannels;
        if (spool.file != nullptr) {
            for (size_t i = 0; i < samples; ++i)
                peak = std::max(peak, double(std::fabs(outBlock[i])));
            if (std::fwrite(outBlock.data(), sizeof(float), samples, spool.file) != samples)
                return failure("cannot write the temporary file for norm");
        } else if (samples > 0 && !out->write(outBlock.data(), uint32_t(made), error)) {
            return failure(error);
        }
        done += uint64_t(got);
        progress.update(done, in->frames());
    }
    progress.finish();
    // Silence stays silence; otherwise the gain that brings the peak to the level asked for.
    const double gainDb = peak > 0.0 ? std::clamp(plan.peakDb - 20.0 * std::log10(peak), -50.0, 50.0) : 0.0;
    if (spool.file != nullptr
        && !writeScaled(spool.file, *out, outChannels, float(std::pow(10.0, gainDb / 20.0)), error))
        return failure(error);
    if (!out->close(error))
        return failure(error);
    if (in->cutShort())
        warning((inPath == "-" ? "standard input" : "'" + inPath + "'")
                + " ends before its header says: the missing part was not processed");
    if (out->clipped() > 0)
        warning(std::to_string(out->clipped()) + " samples clipped in the "
                + std::to_string(sampleBytes(effectOutputFormat(bits)) * 8) + "-bit output");
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
    return runChain(operands[0], operands[1], uint32_t(bits), plan);
}

}  // namespace

ORVANE_COMMAND("fx", "IN OUT.wav [--bits 16|24|32] EFFECT...  (orvane fx --help lists the effects)",
               "run a WAV or MPEG audio input through a chain of effects", runFx, printDetails);
