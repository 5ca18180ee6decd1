#include <algorithm>
#include <cmath>
#include <vector>

#include "orvane/dsp.h"
#include "tools/eq_measure.h"
#include "tools/fx_effect.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kOctaves[] = {31.25, 62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

// Ten octave two-pole resonators (no zeros) whose pole radii follow each band's width, about
// 0.7 octave; bands near half the rate are left out. The bands' own normalisers leave their
// peaks at very different levels, so each band's gain is offset by its measured peak, and the
// master gain brings the flat setting back to 0 dB at 1 kHz.
void* createEq(const FxArgs& args, const FxFormat& format, std::string& error)
{
    std::vector<GraphicEQBandParams> bands;
    std::vector<double> gains;
    for (size_t i = 0; i < 10; ++i) {
        double gain = 0.0;
        if (!args.number(i, 0.0, -24.0, 24.0, "band gain (dB)", gain, error))
            return nullptr;
        const double f = kOctaves[i];
        if (f >= 0.45 * format.rate)
            continue;
        const double pole = std::clamp(1.0 - kPi * 0.7 * f / format.rate, 0.5, 0.9995);
        GraphicEQBandParams band{float(f), 0.0f, 0.0f, float(pole)};
        double peakDb = 0.0;
        if (!measureGraphicEq({band}, 0.0, format.rate, f, peakDb) || !std::isfinite(peakDb)) {
            error = "the bands cannot be run at " + std::to_string(format.rate) + " Hz";
            return nullptr;
        }
        band.gain = float(-peakDb);
        bands.push_back(band);
        gains.push_back(gain);
    }
    double flatDb = 0.0;
    if (!measureGraphicEq(bands, 0.0, format.rate, 1000.0, flatDb) || !std::isfinite(flatDb)) {
        error = "the bands cannot be run at " + std::to_string(format.rate) + " Hz";
        return nullptr;
    }
    for (size_t i = 0; i < bands.size(); ++i)
        bands[i].gain += float(gains[i]);
    return initGraphicEQ(format.frames, format.channels, format.rate, uint32_t(bands.size()), bands.data(),
                         float(-flatDb));
}

}  // namespace

ORVANE_FX_EFFECT("eq", "G31,G63,G125,G250,G500,G1k,G2k,G4k,G8k,G16k (dB, -24..24, default 0)",
                 "10-band graphic equaliser on octave bands", createEq, 10);
