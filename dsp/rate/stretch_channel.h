#pragma once

#include <cstdint>
#include <memory>

#include "dsp/core/dsp_object.h"
#include "dsp/rate/grain.h"
#include "dsp/rate/grain_kernels.h"
#include "dsp/rate/sliding_line.h"

// One channel of the time stretcher: Gaussian-windowed grains start every `hop` output samples and
// copy the input verbatim from a position scaled by 1/factor, so the duration changes by `factor`
// while the pitch stays. Scale changes reach the grains at the end of the block in progress.
class StretchChannel : public DspObject {
public:
    // Largest input piece per block call.
    static constexpr uint32_t kPiece = 32768;
    static constexpr float kMinScale = -2000.0f;
    static constexpr float kMaxScale = 3000.0f;

    ~StretchChannel() override;

    // False, changing nothing, when the grain or interval is shorter than one sample (or absurdly
    // long) or a value is not finite. Otherwise zeroes the past and pre-starts the grains.
    bool init(float rate, float scale, float outLevelDb, float grainTime, float grainInterval);
    // Scale in per mille of tempo: factor = 2^(-scale/1000), clamped to [-2000, 3000]; exactly 0
    // passes the input through. Non-finite values are refused.
    bool setScale(float scale);
    bool setOutLevel(float outLevelDb);
    // Processes one block of at most kPiece samples; out receives outputFor(n) samples (n when the
    // block runs bypassed). Returns that count. An empty block makes a pending scale current.
    uint32_t processBlock(const float* in, float* out, uint32_t n);
    // Output count of the next block of n samples (it runs with the latched factor).
    uint32_t outputFor(uint32_t n) const;
    // Output count of n samples at the current (not yet latched) factor.
    // Saturates at the largest 32-bit count: a factor up to 4 can take n past it.
    uint32_t dstSize(uint32_t n) const
    {
        const float size = static_cast<float>(n) * factor_;
        return size >= 4294967040.0f ? 0xFFFFFF00u : static_cast<uint32_t>(size);
    }
    // The most a block of n samples can yield under either the latched or the current factor.
    uint32_t boundFor(uint32_t n) const;

    float factor() const { return factor_; }
    bool bypass() const { return bypass_; }
    uint32_t hop() const { return hop_; }
    uint32_t grainLen() const { return grainLen_; }
    uint32_t grainCount() const { return grainCount_; }
    uint32_t reachLen() const { return reachLen_; }

private:
    void startGrain(uint32_t t, uint32_t n);
    // Adds the grain's windowed input for its next count outputs into acc.
    void accumulate(const Grain& g, float* acc, uint32_t count, uint32_t n) const;

    bool bypass_ = false;
    uint32_t reachLen_ = 0;
    float sampleRate_ = 0.0f;
    float factor_ = 1.0f;
    float invFactor_ = 1.0f;
    float gain_ = 1.0f;
    uint32_t hop_ = 1;
    uint32_t grainLen_ = 0;
    uint32_t grainCount_ = 0;
    uint32_t startOffset_ = 0;
    uint32_t phase_ = 0;
    // The last ringCapacity_ inputs (oldest first) followed by the block being processed.
    float* line_ = nullptr;
    SlidingLine lineBuffer_;
    float* window_ = nullptr;
    // 1 / (sum of the sounding windows) at each phase of the grain schedule.
    float* inverseSum_ = nullptr;
    uint32_t inverseCapacity_ = 0;
    const GrainKernels* kernels_ = &plainGrainKernels();  // taken afresh for every block
    std::unique_ptr<Grain[]> grains_;
    uint32_t ringCapacity_ = 0;
    uint32_t windowCapacity_ = 0;
    uint32_t grainCapacity_ = 0;
    bool bypassInUse_ = false;
    float factorInUse_ = 1.0f;
    float invFactorInUse_ = 1.0f;
    uint32_t startOffsetInUse_ = 0;
    // Table index of the most recently started grain, -1 when none runs.
    int32_t lastGrain_ = -1;
};
