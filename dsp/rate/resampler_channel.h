#pragma once

#include <cstdint>

#include "dsp/core/chebyshev_cascade.h"
#include "dsp/core/dsp_object.h"

// One channel of sample-rate conversion: linear or 4-point cubic interpolation, with an optional
// Chebyshev low-pass before decimation or after interpolation. The position is carried from
// block to block, so the output does not depend on how the input is split: output k is the input
// interpolated at source position (k + 1) x src / dst, less one sample (linear) or two (cubic) so
// that every point it needs has arrived, and once N source samples have gone in,
// exactly floor(N x dst / src) have come out. Equal rates copy.
class ResamplerChannel : public DspObject {
public:
    // Input samples kept from the previous block (what the cubic path reaches back to).
    static constexpr uint32_t kHistory = 3;

    ~ResamplerChannel() override;

    // Sizes the channel for blocks of up to frames source samples and resets all state, the
    // position included. Returns the largest output count. Rates must be non-zero (the owner checks).
    uint32_t init(uint32_t frames, uint32_t srcRate, uint32_t dstRate, int32_t interpolation, float stopbandDb,
                  float slopeDbPerOctave, bool antiAlias, float rippleDb);
    // Converts n samples (n <= maxIn) into out, which holds dstSize(n); returns the count written.
    // Larger blocks are refused with 0.
    uint32_t resampleBlock(const float* in, float* out, uint32_t n);
    // The most a block of n source samples can deliver: ceil(n x dst / src).
    uint32_t dstSize(uint32_t n) const { return mostFrom(n, srcRate_, dstRate_); }

    // ceil(n x to / from), held below 2^32: what n samples at one rate can become at another.
    static uint32_t mostFrom(uint32_t n, uint32_t from, uint32_t to);
    // Chebyshev order for stop-band attenuation As over a roll-off of As/S octaves at ripple Ap.
    static int32_t filterOrder(double stopbandDb, double slopeDbPerOctave, double rippleDb);

    int32_t direction() const { return direction_; }
    uint32_t srcRate() const { return srcRate_; }
    uint32_t dstRate() const { return dstRate_; }
    uint32_t maxIn() const { return maxIn_; }
    uint32_t maxOut() const { return maxOut_; }
    const ChebyshevCascade& filter() const { return filter_; }

private:
    // The output at the carried position, read from x (the block, kHistory samples before it valid).
    float interpolate(const float* x) const;
    void advance();

    ChebyshevCascade filter_;
    int32_t direction_ = 0;
    uint32_t srcRate_ = 0;
    uint32_t dstRate_ = 0;
    uint32_t maxIn_ = 0;
    uint32_t maxOut_ = 0;
    // Source position of the next output relative to the current block's first sample:
    // whole_ + part_ / dstRate_ (before the interpolation's delay).
    int64_t whole_ = 0;
    uint32_t part_ = 0;
    float* filtered_ = nullptr;
    float* history_ = nullptr;  // kHistory samples of the previous block, then this block
    int32_t interpolation_ = 0;
    bool antiAlias_ = false;
};
