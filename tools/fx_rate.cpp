#include <cmath>

#include "orvane/dsp.h"
#include "tools/cli.h"
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

// Pitch in cents, or in semitones with an "st" suffix ("-3st").
bool pitchCents(const FxArgs& args, double& cents, std::string& error)
{
    std::string text = args.text(0, "0");
    const bool semitones = text.size() > 2 && text.compare(text.size() - 2, 2, "st") == 0;
    if (!semitones)
        return args.number(0, 0.0, -1200.0, 1200.0, "pitch (cents)", cents, error);
    if (!FxArgs({text.substr(0, text.size() - 2)}).number(0, 0.0, -12.0, 12.0, "pitch (semitones)", cents, error))
        return false;
    cents *= 100.0;
    return true;
}

void* createPitch(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double cents = 0.0;
    if (!pitchCents(args, cents, error))
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

// The stretcher's scale for a tempo factor: length x 1/factor = 2^(-scale/1000).
double stretchScale(double factor)
{
    return 1000.0 * std::log2(factor);
}

void* createTempo(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double factor = 1.0;
    if (!args.number(0, 1.0, 0.25, 4.0, "tempo (factor)", factor, error))
        return nullptr;
    return initStretch(format.frames, format.channels, format.rate, float(stretchScale(factor)), 0.0f, kGrainTime,
                       kGrainInterval);
}

// Faster and higher together, as a tape played fast: the tempo change, then the pitch moved by
// the same factor.
std::vector<std::string> expandSpeed(const FxArgs& args, std::string& error)
{
    double factor = 1.0;
    if (!args.number(0, 1.0, 0.5, 2.0, "speed (factor)", factor, error))
        return {};
    return {"tempo:" + numberText(factor), "pitch:" + numberText(1200.0 * std::log2(factor))};
}

void* createHqups(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double harmonics = 0.0, mix = 0.0;
    if (!args.number(0, 0.3, 0.0, 1.0, "harmonics", harmonics, error)
        || !args.number(1, 100.0, 0.0, 400.0, "mix (%)", mix, error))
        return nullptr;
    return initHqupsBySrcsize(format.frames, format.channels, format.channels, format.rate, float(harmonics),
                              float(mix), 16000, 1, 60.0f, 240.0f, 1, 1);
}

}  // namespace

ORVANE_FX_EFFECT("resample",
                 "RATE[,cubic][,aa] (Hz, 1000..384000, default 48000; linear unless cubic; aa = 60 dB filter)",
                 "sample-rate converter", createResample, 3);
ORVANE_FX_EFFECT("pitch", "CENTS or SEMITONESst (-1200..1200 cents or -12st..12st, default 0)",
                 "pitch shifter, length kept", createPitch, 1);
ORVANE_FX_EFFECT("tempo", "FACTOR (0.25..4, 0.8 = 20 % slower, default 1)",
                 "time stretcher by a tempo factor, pitch kept", createTempo, 1);
ORVANE_FX_EFFECT("speed", "FACTOR (0.5..2, default 1)", "tempo and pitch together by a factor, as a tape played faster",
                 nullptr, 1, expandSpeed);
ORVANE_FX_EFFECT("stretch", "SCALE (-2000..3000, length x 2^(-SCALE/1000), default 0)", "time stretcher, pitch kept",
                 createStretch, 1);
ORVANE_FX_EFFECT("hqups", "HARMONICS,MIX (curve 0..1, default 0.3; percent 0..400, default 100)",
                 "48 kHz upsampler adding harmonics above the source's upper edge", createHqups, 2);
