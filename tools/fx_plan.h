#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/fx_effect.h"

// The effect grammar of `orvane fx` from words to a running chain, shared by every host that
// offers it (the tool and the Python module): "NAME" or "NAME:ARG,ARG,..." per effect, aliases
// expanded, and "norm[:PEAK_DB]" last for a closing normalisation.

extern const char* const kFxNormParams;

// The effects as given, with aliases expanded, and a closing normalisation if asked for.
struct FxPlan {
    std::vector<std::string> effects;
    bool normalise = false;
    double peakDb = 0.0;
};

// Checks every effect's name and argument count and expands aliases; false with the reason.
bool planFxEffects(const std::vector<std::string>& specs, FxPlan& plan, std::string& error);

enum class FxBuild { ok, badArgument, refused };

// Creates each planned effect for the format the previous one delivers and adds it to the chain
// (made by dspCreate for source); stages gets the format after each. badArgument names the
// argument in error; refused means the library would not take the setting.
FxBuild buildFxChain(void* chain, const std::vector<std::string>& effects, const FxFormat& source,
                     std::vector<FxFormat>& stages, std::string& error);

// The gain in dB (-50..50) that brings a result of this peak (full scale 1) to peakDb; 0 for
// silence, which stays silence.
double fxNormGainDb(double peakDb, double peak);
