#include <vector>

#include "orvane/dsp.h"
#include "tools/eq_design.h"
#include "tools/fx_effect.h"

namespace {

// A cascade of one-band graphic equalisers designed so that each octave centre sits at its
// band's gain (tools/eq_design.h); all gains at 0 dB leave no stage at all.
bool createEq(const FxArgs& args, const FxFormat& format, std::vector<void*>& stages, std::string& error)
{
    double gains[kOctaveBands] = {};
    for (uint32_t i = 0; i < kOctaveBands; ++i)
        if (!args.number(i, 0.0, -24.0, 24.0, "band gain (dB)", gains[i], error))
            return false;
    for (const GraphicEQBandParams& section : designOctaveEq(gains, format.rate)) {
        void* stage = initGraphicEQ(format.frames, format.channels, format.rate, 1, &section, 0.0f);
        if (stage == nullptr) {
            for (void* made : stages)
                termGraphicEQ(made);
            stages.clear();
            return false;
        }
        stages.push_back(stage);
    }
    return true;
}

}  // namespace

ORVANE_FX_EFFECT("eq", "G31,G63,G125,G250,G500,G1k,G2k,G4k,G8k,G16k (dB, -24..24, default 0)",
                 "10-band graphic equaliser on octave bands, each centre at its gain", nullptr, 10, nullptr, createEq);
