#include "orvane/dsp.h"
#include "tools/fx_effect.h"

namespace {

// Grains of 50 ms every 10 ms for the pitch shifter and the stretcher.
constexpr float kGrainTime = 0.05f;
constexpr float kGrainInterval = 0.01f;

void* createResample(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double rate = 0.0;
    if (!args.number(0, 48000.0, 1000.0, 384000.0, "rate (Hz)", rate, error))
        return nullptr;
    bool cubic = false, antiAlias = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string flag = args.text(i, "");
        if (flag == "cubic")
            cubic = true;
        else if (flag == "aa")
            antiAlias = true;
        else {
            error = "'" + flag + "' is neither cubic nor aa";
            return nullptr;
        }
    }
    return initResampler(format.frames, format.channels, format.channels, format.rate, uint32_t(rate), cubic ? 1 : 0,
                         60.0f, 60.0f, antiAlias ? 1 : 0);
}

void* createPitch(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double cents = 0.0;
    if (!args.number(0, 0.0, -1200.0, 1200.0, "pitch (cents)", cents, error))
        return nullptr;
    return initPitchShift(format.frames, format.channels, format.rate, float(cents), 0.0f, kGrainTime, kGrainInterval,
                          1, 1);
}

void* createStretch(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double scale = 0.0;
    if (!args.number(0, 0.0, -2000.0, 3000.0, "scale (length x 2^(-scale/1000))", scale, error))
        return nullptr;
    return initStretch(format.frames, format.channels, format.rate, float(scale), 0.0f, kGrainTime, kGrainInterval);
}

void* createHqups(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double harmonics = 0.0, mix = 0.0;
    if (!args.number(0, 0.3, 0.0, 1.0, "harmonics", harmonics, error) ||
        !args.number(1, 100.0, 0.0, 400.0, "mix (%)", mix, error))
        return nullptr;
    return initHqupsBySrcsize(format.frames, format.channels, format.channels, format.rate, float(harmonics),
                              float(mix), 16000, 1, 60.0f, 240.0f, 1, 1);
}

}  // namespace

ORVANE_FX_EFFECT("resample", "RATE[,cubic][,aa] (Hz, 1000..384000, default 48000; linear unless cubic; aa = 60 dB filter)",
                 "sample-rate converter", createResample, 3);
ORVANE_FX_EFFECT("pitch", "CENTS (-1200..1200, default 0)", "pitch shifter, length kept", createPitch, 1);
ORVANE_FX_EFFECT("stretch", "SCALE (-2000..3000, length x 2^(-SCALE/1000), default 0)",
                 "time stretcher, pitch kept", createStretch, 1);
ORVANE_FX_EFFECT("hqups", "HARMONICS,MIX (curve 0..1, default 0.3; percent 0..400, default 100)",
                 "48 kHz upsampler adding harmonics above the source's upper edge", createHqups, 2);
