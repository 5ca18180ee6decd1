#include "effect_run.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "effect_error.h"
#include "orvane/dsp.h"
#include "pcm_array.h"
#include "tools/fx_plan.h"

namespace py = pybind11;

namespace {

constexpr uint32_t kBlockFrames = 4096;
// Arrays hold the decoder's scale (full scale 1.0 at 32768), the effects take 1.0 at 32767: the
// tool's own conversion, so the same words give the same samples.
constexpr float kToEffects = 32768.0f / 32767.0f;
constexpr float kFromEffects = 32767.0f / 32768.0f;

// Owns one chain, so every exit frees it.
struct Chain {
    void* handle = nullptr;
    ~Chain() { dspDestroy(handle); }
};

struct Result {
    bool keep;  // false: only the peak is wanted
    std::unique_ptr<PcmArray<float>> out;
    double peak = 0.0;
    uint32_t rate = 0;
    uint32_t channels = 0;
};

// One pass of frames x channels samples through the effects. Runs without the GIL.
void runPass(const float* in, uint64_t frames, uint32_t channels, uint32_t rate,
             const std::vector<std::string>& effects, Result& result)
{
    Chain chain;
    chain.handle = dspCreate(kBlockFrames, channels, rate);
    if (chain.handle == nullptr)
        throw std::invalid_argument("cannot process " + std::to_string(channels) + " channels at "
                                    + std::to_string(rate) + " Hz (1 or 2 channels, 1..768000 Hz)");
    std::vector<FxFormat> stages;
    std::string error;
    const FxBuild built = buildFxChain(chain.handle, effects, FxFormat{kBlockFrames, channels, rate}, stages, error);
    if (built == FxBuild::badArgument)
        throw std::invalid_argument(error);
    if (built == FxBuild::refused)
        throw EffectFailure(error);
    const uint32_t block = fxAlignedBlock(kBlockFrames, rate, stages);
    result.rate = dspGetDstRate(chain.handle);
    result.channels = dspGetDstChannels(chain.handle);
    const uint32_t most = std::max(dspGetDstSize(chain.handle, block), block);
    std::vector<float> scratch, source(size_t(block) * channels);
    const uint32_t tail = uint32_t(frames % block);
    if (result.keep)
        result.out.reset(new PcmArray<float>(frames / block * most + std::max(dspGetDstSize(chain.handle, tail), tail),
                                             result.channels));
    else
        scratch.resize(size_t(most) * result.channels);
    for (uint64_t done = 0; done < frames;) {
        const uint32_t count = uint32_t(std::min<uint64_t>(block, frames - done));
        if (result.out != nullptr)
            result.out->reserve(result.out->frames() + most);
        float* dst = result.out != nullptr ? result.out->end() : scratch.data();
        for (size_t i = 0; i < size_t(count) * channels; ++i)
            source[i] = in[done * channels + i] * kToEffects;
        const int32_t made = dspSendFloat(chain.handle, source.data(), dst, count);
        if (made < 0)
            throw EffectFailure("the effect chain failed");
        // The peak is measured on the effects' scale, as the gain that normalises applies there.
        for (size_t i = 0; i < size_t(made) * result.channels; ++i) {
            result.peak = std::max(result.peak, double(std::fabs(dst[i])));
            dst[i] *= kFromEffects;
        }
        if (result.out != nullptr)
            result.out->advance(uint64_t(made));
        done += count;
    }
}

}  // namespace

py::tuple runEffects(py::array_t<float, py::array::c_style> samples, uint32_t rate,
                     const std::vector<std::string>& specs)
{
    if (samples.ndim() != 2)
        throw py::value_error("samples must be a (frames, channels) array");
    const uint64_t frames = uint64_t(samples.shape(0));
    const uint32_t channels = uint32_t(samples.shape(1));
    FxPlan plan;
    std::string error;
    if (!planFxEffects(specs, plan, error))
        throw py::value_error(error);
    Result result{true};
    try {
        py::gil_scoped_release unlocked;
        // A closing normalisation runs the effects once to find the peak, then with the gain that sets it.
        if (plan.normalise) {
            Result measured{false};
            runPass(samples.data(), frames, channels, rate, plan.effects, measured);
            for (const std::string& gain : fxNormGain(plan.peakDb, measured.peak))
                plan.effects.push_back(gain);
        }
        runPass(samples.data(), frames, channels, rate, plan.effects, result);
    } catch (const std::invalid_argument& e) {
        throw py::value_error(e.what());
    }
    return py::make_tuple(result.out->release(), result.rate);
}
