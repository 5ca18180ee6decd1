#include "dsp/core/spectrum_frame.h"

#include <cmath>
#include <cstring>

void SpectrumFrame::setup(uint32_t newHop, uint32_t newHistoryLen, uint32_t n, float floorDbPositive)
{
    // Grown buffers and the transform's tables are made before anything changes, so a failed
    // allocation leaves the frame as it was.
    std::vector<float> newHistory;
    std::vector<float> newFrame;
    std::vector<float> newWindow;
    const bool growHistory = !ready || newHistoryLen > historyLen;
    const bool growFrame = !ready || n > size;
    if (growHistory)
        newHistory.assign(newHistoryLen, 0.0f);
    if (growFrame) {
        newFrame.assign(n, 0.0f);
        newWindow.assign(n, 0.0f);
    }
    fft.prepare(n);
    if (growHistory)
        history.swap(newHistory);
    if (growFrame) {
        frame.swap(newFrame);
        window.swap(newWindow);
    }
    floorDb = -floorDbPositive;
    hop = newHop;
    keep = newHistoryLen - newHop;
    historyLen = newHistoryLen;
    size = n;
    for (uint32_t i = 0; i < n; ++i)
        window[i] = static_cast<float>(0.5 * (1.0 - std::cos(2.0 * M_PI * (i - 0.5) / n)));
    log2Size = 0;
    while ((2u << log2Size) <= n)
        ++log2Size;
    ready = 1;
}

void SpectrumFrame::feed(const float* in)
{
    std::memmove(history.data(), history.data() + hop, size_t(keep) * sizeof(float));
    std::memcpy(history.data() + keep, in, size_t(hop) * sizeof(float));
    const float* newest = history.data() + (historyLen - size);
    for (uint32_t i = 0; i < size; ++i)
        frame[i] = newest[i] * window[i];
}

void SpectrumFrame::transform(const float* in)
{
    feed(in);
    fft.forward(frame.data());
}

uint32_t SpectrumFrame::toDecibels(float* dst) const
{
    const uint32_t bins = size / 2;
    for (uint32_t k = 0; k < bins; ++k) {
        const double re = frame[2 * k];
        const double im = frame[2 * k + 1];
        const double m = std::sqrt(re * re + im * im);
        const double db = m > 0.0 ? 20.0 * std::log10(m) : floorDb;
        dst[k] = db < floorDb ? floorDb : static_cast<float>(db);
    }
    return bins;
}
