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

// Owns one chain, so every exit frees it.
struct Chain {
    void* handle = nullptr;
    ~Chain() { dspDestroy(handle); }
};

// frames x channels samples through the effects into out, and the peak of what came out.
// Runs without the GIL.
std::unique_ptr<PcmArray<float>> runChain(const float* in, uint64_t frames, uint32_t channels, uint32_t rate,
                                          const std::vector<std::string>& effects, uint32_t& outRate, double& peak)
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
    outRate = dspGetDstRate(chain.handle);
    const uint32_t outChannels = dspGetDstChannels(chain.handle);
    const uint32_t most = std::max(dspGetDstSize(chain.handle, kBlockFrames), kBlockFrames);
    auto out = std::make_unique<PcmArray<float>>((frames / kBlockFrames + 1) * most, outChannels);
    for (uint64_t done = 0; done < frames;) {
        const uint32_t count = uint32_t(std::min<uint64_t>(kBlockFrames, frames - done));
        out->reserve(out->frames() + most);
        float* dst = out->end();
        const int32_t made = dspSendFloat(chain.handle, in + done * channels, dst, count);
        if (made < 0)
            throw EffectFailure("the effect chain failed");
        for (size_t i = 0; i < size_t(made) * outChannels; ++i)
            peak = std::max(peak, double(std::fabs(dst[i])));
        out->advance(uint64_t(made));
        done += count;
    }
    return out;
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
    std::unique_ptr<PcmArray<float>> out;
    uint32_t outRate = rate;
    try {
        py::gil_scoped_release unlocked;
        double peak = 0.0;
        out = runChain(samples.data(), frames, channels, rate, plan.effects, outRate, peak);
        // A closing normalisation scales what the effects gave, by the gain the tool applies.
        if (plan.normalise) {
            const float gain = float(std::pow(10.0, fxNormGainDb(plan.peakDb, peak) / 20.0));
            float* data = out->end() - out->frames() * out->channels();
            for (size_t i = 0; i < size_t(out->frames()) * out->channels(); ++i)
                data[i] *= gain;
        }
    } catch (const std::invalid_argument& e) {
        throw py::value_error(e.what());
    }
    return py::make_tuple(out->release(), outRate);
}
