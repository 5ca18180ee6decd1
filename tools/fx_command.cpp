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
                 "scales the whole result to a peak level (kept aside, then scaled)", kFxNormParams);
}

// Owns the chain of one run, so every exit path frees it.
struct FxChain {
    void* chain = nullptr;
    ~FxChain() { dspDestroy(chain); }
};

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
    std::vector<FxFormat> stages;
    const FxBuild built = buildFxChain(run.chain, plan.effects, source, stages, error);
    if (built == FxBuild::badArgument)
        return usageError(error);
    if (built == FxBuild::refused)
        return failure(error);
    for (size_t i = 0; i < stages.size() && verbosity() == Verbosity::verbose; ++i)
        note(plan.effects[i] + ": now " + std::to_string(stages[i].channels) + " channels at "
             + std::to_string(stages[i].rate) + " Hz");

    const uint32_t outChannels = dspGetDstChannels(run.chain);
    Spool spool;
    if (plan.normalise && (spool.file = platform::openTemporaryStream()) == nullptr)
        return failure("cannot make a temporary file for norm");
    const std::unique_ptr<AudioWriter> out
        = AudioWriter::create(outPath, dspGetDstRate(run.chain), outChannels, effectOutputFormat(bits), false, error);
    if (out == nullptr)
        return failure(error);
    out->countClipping();

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
    const double gainDb = fxNormGainDb(plan.peakDb, peak);
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
    std::string error;
    if (!planFxEffects(std::vector<std::string>(operands.begin() + 2, operands.end()), plan, error))
        return usageError(error);
    return runChain(operands[0], operands[1], uint32_t(bits), plan);
}

}  // namespace

ORVANE_COMMAND("fx", "IN OUT.wav [--bits 16|24|32] EFFECT...  (orvane fx --help lists the effects)",
               "run a WAV or MPEG audio input through a chain of effects", runFx, printDetails);
