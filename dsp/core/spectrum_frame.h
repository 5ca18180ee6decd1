#pragma once

#include <cstdint>
#include <vector>

#include "dsp/core/dsp_object.h"
#include "dsp/core/real_fft.h"

// A windowed analysis frame over a sliding history: each feed appends `hop` new samples, keeps
// the newest historyLen, and windows the newest N of them with a half-sample-shifted Hann window.
class SpectrumFrame : public DspObject {
public:
    // hop <= historyLen and N <= historyLen are the caller's to ensure; N must be a valid RealFft size.
    // Buffers only grow; the history is zeroed when it is (re)allocated. When an allocation fails
    // (throws), the frame is left as it was.
    void setup(uint32_t newHop, uint32_t newHistoryLen, uint32_t n, float floorDbPositive);
    virtual void feed(const float* in);
    // feed, then the forward real FFT of the frame.
    void transform(const float* in);
    // Writes N/2 magnitudes in dB, floored at -floorDb; bin 0 combines DC and Nyquist. Returns N/2.
    uint32_t toDecibels(float* dst) const;

    std::vector<float> history;
    std::vector<float> window;
    std::vector<float> frame;
    uint32_t size = 0;
    uint32_t keep = 0;
    uint32_t hop = 0;
    uint32_t historyLen = 0;
    float floorDb = 0.0f;
    uint32_t log2Size = 0;
    RealFft fft;
};
