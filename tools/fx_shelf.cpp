#include <vector>

#include "orvane/dsp.h"
#include "tools/fx_effect.h"

namespace {

void* createShelf(const FxArgs& args, const FxFormat& format, std::string& error)
{
    const size_t count = args.size() == 0 ? 8 : args.size();
    if (count & (count - 1)) {
        error = "give 1, 2, 4, 8 or 16 gains";
        return nullptr;
    }
    std::vector<float> gains(count);
    for (size_t i = 0; i < count; ++i) {
        double g = 0.0;
        if (!args.number(i, 0.0, -40.0, 40.0, "gain (dB)", g, error))
            return nullptr;
        gains[i] = float(g);
    }
    return initShelvingEQ(format.frames, format.channels, format.rate, uint32_t(count), gains.data(), 0.0f);
}

}  // namespace

ORVANE_FX_EFFECT("shelf", "G0,G1,... (1, 2, 4, 8 or 16 gains in dB from 0 Hz towards rate/2, -40..40; default 8 x 0)",
                 "linear-phase shelving equaliser", createShelf, 16);
