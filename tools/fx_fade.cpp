#include <string>

#include "orvane/dsp.h"
#include "tools/fx_effect.h"

namespace {

void* createFade(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double start = 0, end = 0, level = 0, initial = 0;
    if (!args.number(0, 0, 0, 86400, "start s", start, error) || !args.number(1, 1, 0, 86400, "end s", end, error)
        || !args.number(2, -50, -50, 50, "level dB", level, error)
        || !args.number(3, 0, -50, 50, "initial dB", initial, error))
        return nullptr;
    if (!(start < end))
        return error = "the fade must end after it starts", nullptr;
    void* fader = initFader(format.frames, format.channels, format.rate, 1.0f, float(initial), 0.0f);
    // The fader's clock counts samples already processed: a ramp from 0 s starts at the first sample.
    const double firstSample = 1.0 / format.rate;
    if (fader != nullptr)
        setFaderAction(fader, 0, float(start < firstSample ? firstSample : start), float(end), float(level));
    return fader;
}

void* createGain(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double db = 0;
    if (!args.number(0, 0, -50, 50, "gain (dB)", db, error))
        return nullptr;
    return initFader(format.frames, format.channels, format.rate, 1.0f, float(db), 0.0f);
}

}  // namespace

ORVANE_FX_EFFECT("fade",
                 "START_S,END_S,TO_DB,FROM_DB (ramp linear in dB from FROM to TO over START..END s;"
                 " defaults 0, 1, -50, 0; levels -50..50 dB)",
                 "a level ramp at a scheduled time", createFade, 4);
ORVANE_FX_EFFECT("gain", "DB (-50..50, default 0)", "a fixed level change", createGain, 1);
