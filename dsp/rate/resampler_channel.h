#pragma once

#include <cstdint>

#include "dsp/core/chebyshev_cascade.h"
#include "dsp/core/dsp_object.h"

// One channel of sample-rate conversion: linear or 4-point cubic interpolation over chunks of at
// most 4096 source samples, with an optional Chebyshev low-pass before decimation or after
// interpolation. No fractional position is carried between blocks; the cubic path carries three
// history samples, the filter its section state.
class ResamplerChannel : public DspObject {
public:
    static constexpr uint32_t kChunk = 4096;

    ~ResamplerChannel() override;

    // Sizes the channel for blocks of up to frames source samples and resets all state.
    // Returns the largest output count. Rates must be non-zero (the owner checks).
    uint32_t init(uint32_t frames, uint32_t srcRate, uint32_t dstRate, int32_t interpolation, float stopbandDb,
                  float slopeDbPerOctave, bool antiAlias, float rippleDb);
    // Converts n samples (n <= maxIn) into out, which holds dstSize(n); returns dstSize(n).
    // Larger blocks are refused with 0.
    uint32_t resampleBlock(const float* in, float* out, uint32_t n);
    uint32_t dstSize(uint32_t n) const { return scaledSize(n, srcRate_, dstRate_); }

    // trunc((n / from) * to) in double precision, the size rule of every rate converter.
    static uint32_t scaledSize(uint32_t n, uint32_t from, uint32_t to);
    // Chebyshev order for stop-band attenuation As over a roll-off of As/S octaves at ripple Ap.
    static int32_t filterOrder(double stopbandDb, double slopeDbPerOctave, double rippleDb);

    int32_t direction() const { return direction_; }
    uint32_t srcRate() const { return srcRate_; }
    uint32_t dstRate() const { return dstRate_; }
    uint32_t maxIn() const { return maxIn_; }
    uint32_t maxOut() const { return maxOut_; }
    const ChebyshevCascade& filter() const { return filter_; }

private:
    uint32_t linearChunk(const float* src, uint32_t len, float* out, uint32_t cnt, double step);
    uint32_t cubicChunk(const float* src, uint32_t len, float* out, uint32_t cnt, double step);

    ChebyshevCascade filter_;
    int32_t direction_ = 0;
    uint32_t srcRate_ = 0;
    uint32_t dstRate_ = 0;
    uint32_t maxIn_ = 0;
    uint32_t maxOut_ = 0;
    uint32_t prevChunkLen_ = 0;
    float* filtered_ = nullptr;
    float* history_ = nullptr;
    int32_t interpolation_ = 0;
    bool antiAlias_ = false;
};
