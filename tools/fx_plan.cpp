#include "tools/fx_plan.h"

#include <algorithm>
#include <cmath>

#include "orvane/dsp.h"

const char* const kFxNormParams
    = "PEAK_DB (peak level after the other effects, dBFS -50..0, default 0; last effect only)";

bool planFxEffects(const std::vector<std::string>& specs, FxPlan& plan, std::string& error)
{
    for (size_t i = 0; i < specs.size(); ++i) {
        std::string name;
        std::vector<std::string> args;
        splitFxSpec(specs[i], name, args);
        if (name == "norm") {
            if (i + 1 != specs.size())
                return error = "norm must be the last effect", false;
            if (args.size() > 1)
                return error = "norm takes at most 1 argument: " + std::string(kFxNormParams), false;
            plan.normalise = true;
            if (!FxArgs(args).number(0, 0.0, -50.0, 0.0, "norm (peak dBFS)", plan.peakDb, error))
                return false;
            continue;
        }
        const FxEffect* effect = findFxEffect(name);
        if (effect == nullptr)
            return error = "unknown effect '" + name + "' (see 'orvane fx --help')", false;
        if (args.size() > effect->maxArgs)
            return error = name + " takes at most " + std::to_string(effect->maxArgs)
                       + (effect->maxArgs == 1 ? " argument: " : " arguments: ") + effect->params,
                   false;
        if (effect->expand == nullptr) {
            plan.effects.push_back(specs[i]);
            continue;
        }
        const std::vector<std::string> parts = effect->expand(FxArgs(args), error);
        if (parts.empty())
            return error = name + ": " + error, false;
        plan.effects.insert(plan.effects.end(), parts.begin(), parts.end());
    }
    return true;
}

FxBuild buildFxChain(void* chain, const std::vector<std::string>& effects, const FxFormat& source,
                     std::vector<FxFormat>& stages, std::string& error)
{
    FxFormat format = source;
    int32_t added = 0;
    for (size_t i = 0; i < effects.size(); ++i) {
        std::string name;
        std::vector<std::string> args;
        splitFxSpec(effects[i], name, args);
        const FxEffect* effect = findFxEffect(name);
        if (effect == nullptr)
            return error = "unknown effect '" + name + "'", FxBuild::badArgument;
        std::vector<void*> handles;
        bool made = false;
        if (effect->createStages != nullptr) {
            made = effect->createStages(FxArgs(args), format, handles, error);
        } else if (void* handle = effect->create(FxArgs(args), format, error)) {
            handles.push_back(handle);
            made = true;
        }
        // Every message an effect gives names a bad argument; without one the library refused the setting.
        if (!made && !error.empty())
            return error = name + ": " + error, FxBuild::badArgument;
        if (!made)
            return error = name + ": cannot run on " + std::to_string(format.channels) + " channels at "
                       + std::to_string(format.rate) + " Hz with these arguments",
                   FxBuild::refused;
        for (void* handle : handles)
            if (dspAdd(chain, handle, uint32_t(i)) != ++added)
                return error = name + ": the chain refused the effect", FxBuild::refused;
        format = FxFormat{dspGetDstSize(chain, source.frames), dspGetDstChannels(chain), dspGetDstRate(chain)};
        stages.push_back(format);
    }
    return FxBuild::ok;
}

double fxNormGainDb(double peakDb, double peak)
{
    return peak > 0.0 ? std::clamp(peakDb - 20.0 * std::log10(peak), -50.0, 50.0) : 0.0;
}
