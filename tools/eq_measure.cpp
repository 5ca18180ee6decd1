#include "tools/eq_measure.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Per frequency: a tone this long, measured on its second half once the bands have settled.
constexpr uint32_t kToneFrames = 1u << 15;

// Amplitude of the tone at freq in x, by a Hann-windowed single-bin DFT.
double toneAmplitude(const std::vector<int16_t>& x, size_t from, double freq, double rate)
{
    double re = 0.0, im = 0.0, windowSum = 0.0;
    const size_t n = x.size() - from;
    for (size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * i / n);
        const double phase = 2.0 * kPi * freq * double(from + i) / rate;
        re += w * x[from + i] * std::cos(phase);
        im -= w * x[from + i] * std::sin(phase);
        windowSum += w;
    }
    return 2.0 * std::hypot(re, im) / windowSum;
}

}  // namespace

bool measureGraphicEq(const std::vector<GraphicEQBandParams>& bands, double masterDb, uint32_t rate, double freq,
                      double& db)
{
    constexpr double kAmplitude = 8000.0;
    std::vector<int16_t> tone(kToneFrames), out(kToneFrames);
    for (uint32_t i = 0; i < kToneFrames; ++i)
        tone[i] = int16_t(std::lround(kAmplitude * std::sin(2.0 * kPi * freq * i / rate)));
    // The master gain scales the float output linearly, so lowering it by `headroom` and adding
    // the same back afterwards measures responses far beyond what 16-bit output can hold.
    for (double headroom = 0.0; headroom <= 480.0; headroom += 24.0) {
        void* eq
            = initGraphicEQ(kToneFrames, 1, rate, uint32_t(bands.size()), bands.data(), float(masterDb - headroom));
        if (eq == nullptr)
            return false;
        const int32_t ok = doGraphicEQ(eq, tone.data(), out.data(), kToneFrames * 2);
        termGraphicEQ(eq);
        if (ok != 1)
            return false;
        if (std::any_of(out.begin(), out.end(), [](int16_t v) { return v >= 32767 || v <= -32767; }))
            continue;
        const double gain = toneAmplitude(out, kToneFrames / 2, freq, rate) / kAmplitude;
        db = gain > 0.0 ? 20.0 * std::log10(gain) + headroom : -INFINITY;
        return true;
    }
    db = INFINITY;  // unstable bands: no headroom is enough
    return true;
}
