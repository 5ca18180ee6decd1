#pragma once

#include <cstdint>
#include <string>
#include <vector>

// orvane play's live view: spectrum bars over log-spaced bands (dB, each band's power summed over
// its bins, 0 dBFS a full-scale sine) above a frequency axis and two level meters, drawn from the
// engine's read-outs in text lines that fit the terminal. Bars fall back slowly, so the view
// stays readable at several redraws a second.
class LiveView {
public:
    // utf8: block characters for the bars; plain ASCII otherwise.
    explicit LiveView(bool utf8) : utf8_(utf8) { }

    // The view for a spectrum of fftSize points (dB per bin as OrvaneGetSpectrum gives it, fftSize/2
    // per channel, channel 1 after channel 0) at rate Hz and peak levels on the 16-bit scale, in
    // at most width columns (the last one left empty) and rows lines; none when that is too small.
    std::vector<std::string> lines(const std::vector<float>& spectrum, uint32_t fftSize, uint32_t channels,
                                   uint32_t rate, const int32_t (&levels)[2], size_t width, size_t rows);

private:
    bool utf8_;
    std::vector<double> shown_;  // each band's level as drawn last, dBFS
};
