#pragma once

#include <cstdint>
#include <vector>

#include "dsp/core/dsp_object.h"
#include "dsp/core/spectrum_frame.h"
#include "dsp/rate/delay_line.h"
#include "dsp/rate/kaiser_fir.h"
#include "dsp/rate/shaping_curve.h"

// Adds synthetic high harmonics to one channel: a steep FIR high-pass isolates the source's top
// band, the shaping curve distorts it, and the residue (distorted minus clean band), optionally
// high-passed above the detected upper edge of the source spectrum, is mixed onto the delayed dry
// signal.
class HarmonicsChannel : public DspObject {
public:
    // The edge search looks at the top third of a 256-point spectrum for a 25 dB rise.
    static constexpr uint32_t kSpectrumSize = 256;
    static constexpr float kEdgeRiseDb = 25.0f;

    void init(uint32_t frames, uint32_t rate, float harmonics, float mix, uint32_t bandCutoff, int32_t activeMode,
              uint32_t taps = 16);
    void setHarmonics(float h);
    void setMix(float mix) { mixGain_ = 0.01f * mix; }
    void setActiveMode(int32_t mode) { activeMode_ = mode; }
    // Upper edge of the source's spectrum in Hz from the newest n (<= frames) samples of x.
    float detectEdge(const float* x, uint32_t n);
    // n <= frames samples from in to out (may be the same buffer); edgeHz is used in active mode.
    void process(const float* in, float* out, uint32_t n, float edgeHz);

    // The edge search over a 128-bin dB spectrum: the bin index where the level first rises
    // kEdgeRiseDb above a valley, walking down from the top; 127 when none does.
    static uint32_t edgeBin(const float* spectrumDb);

    int32_t activeMode() const { return activeMode_; }
    uint32_t delay() const { return dryDelay_.length(); }
    float mixGain() const { return mixGain_; }
    const float* spectrum() const { return spectrum_.data(); }

private:
    uint32_t maxFrames_ = 0;
    uint32_t sampleRate_ = 0;
    std::vector<float> bandSignal_;
    std::vector<float> shaped_;
    std::vector<float> spectrum_;
    float bandCutoffHz_ = 0.0f;
    float harmonics_ = 0.0f;
    float mixGain_ = 0.0f;
    int32_t activeMode_ = 0;
    ShapingCurve curve_;
    KaiserFir bandFilter_;
    KaiserFir edgeFilter_;
    DelayLine dryDelay_;
    SpectrumFrame analyser_;
};
