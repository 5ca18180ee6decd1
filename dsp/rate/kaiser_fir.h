#pragma once

#include <cstdint>
#include <vector>

#include "dsp/core/dsp_object.h"

// Linear-phase FIR high-pass with a Kaiser window: N + 1 symmetric taps (N a power of two), a delay
// of N/2 samples, and a history of the last N inputs carried across blocks.
class KaiserFir : public DspObject {
public:
    // Attenuation A in dB sets the window's beta; clears the history.
    void setup(double attenuationDb, uint32_t n);
    // Designs the high-pass at cutoff fc (Hz) for rate fs, clamped to (0, fs/2); keeps the history.
    void design(double fs, double fc);
    // Filters n samples; in and out may be the same buffer.
    void process(const float* in, float* out, uint32_t n);

    static double besselI0(double x);

    uint32_t length() const { return n_; }
    const std::vector<float>& taps() const { return taps_; }
    double beta() const { return beta_; }

private:
    static constexpr uint32_t kBlock = 1024;

    uint32_t n_ = 0;
    double beta_ = 0.0;
    std::vector<double> halfWindow_;
    std::vector<float> taps_;
    std::vector<double> prototype_;
    // The last n_ inputs followed by the block being filtered.
    std::vector<float> line_;
};
