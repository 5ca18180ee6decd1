#include "orvane/dsp.h"
#include "tools/fx_effect.h"

namespace {

void* createIir(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double order = 0.0, cutoff = 0.0;
    if (!args.number(0, 4.0, 0.0, 64.0, "order", order, error)
        || !args.number(1, 1000.0, 1.0, 0.5 * format.rate, "cutoff (Hz)", cutoff, error))
        return nullptr;
    const std::string kind = args.text(2, "lp");
    if (kind != "lp" && kind != "hp") {
        error = "kind: '" + kind + "' is neither lp nor hp";
        return nullptr;
    }
    return initIirFilter(format.frames, format.channels, format.rate, int32_t(order), float(cutoff),
                         kind == "hp" ? 1 : 0);
}

}  // namespace

ORVANE_FX_EFFECT("iir", "ORDER,CUTOFF_HZ,lp|hp (order 0..64, default 4; cutoff default 1000 Hz; default lp)",
                 "Chebyshev low-pass or high-pass filter, 1 dB ripple", createIir, 3);
