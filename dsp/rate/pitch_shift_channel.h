#pragma once

#include <cstdint>
#include <memory>

#include "dsp/core/chebyshev_cascade.h"
#include "dsp/core/dsp_object.h"
#include "dsp/rate/grain.h"
#include "dsp/rate/grain_kernels.h"
#include "dsp/rate/sliding_line.h"

// One channel of the pitch shifter: Gaussian-windowed grains read the input at `ratio` samples per
// output sample and are averaged by their window weights. An optional Chebyshev low-pass runs before
// the grains when shifting up and after them when shifting down. The grain engine uses pitch values
// latched at the end of the previous chunk, so a control thread may change the pitch at any time.
class PitchShiftChannel : public DspObject {
public:
    static constexpr uint32_t kChunk = 32768;
    // Grain lengths above this (about 23 s at 44.1 kHz) are refused.
    static constexpr uint32_t kMaxGrainLen = 1u << 20;

    struct Sizes {
        uint32_t grainLen;
        uint32_t hop;
    };

    ~PitchShiftChannel() override;

    // Grain length and hop for these settings; false when either would be 0, too long, or not finite.
    static bool sizesFor(float rate, float grainTime, float grainInterval, Sizes& sizes);

    // Full (re)initialisation: zeroes the ring and pre-starts the grains as if the stream had been
    // running. False, changing nothing, for settings sizesFor refuses or a non-finite pitch or level.
    bool init(float rate, float cents, float outLevelDb, float grainTime, float grainInterval, int32_t interpolation,
              bool antiAlias);
    // Clamps to +-1200 cents; exactly 0 bypasses. Non-finite values are refused (false).
    bool setPitch(float cents);
    bool setOutLevel(float outLevelDb);
    // Processes n samples in chunks of at most kChunk; in and out may be the same buffer. An empty
    // block makes a pending pitch current for the grains.
    void process(const float* in, float* out, uint32_t n);

    bool bypass() const { return bypass_; }
    float pitchCents() const { return pitchCents_; }
    float ratio() const { return ratio_; }
    float gain() const { return gain_; }
    uint32_t hop() const { return hop_; }
    uint32_t grainLen() const { return grainLen_; }
    uint32_t grainCount() const { return grainCount_; }
    uint32_t ringLen() const { return ringLen_; }
    int32_t startOffset() const { return startOffset_; }
    const float* window() const { return window_; }
    const Grain* grains() const { return grains_.get(); }
    bool antiAlias() const { return antiAlias_; }

private:
    void processChunk(const float* in, float* out, uint32_t n);
    // Runs the grains over the chunk held at line_[ringLen_ ..] into out.
    void runGrains(float* out, uint32_t n);
    // Adds the grain's windowed readings for its next count outputs into acc.
    void accumulate(const Grain& g, float* acc, uint32_t count, uint32_t n) const;
    // Distance past the anchor of the grain's next reading.
    float readOffsetOf(const Grain& g) const;
    void startGrain(int32_t t);
    void endChunk(uint32_t n);

    ChebyshevCascade filter_;
    bool bypass_ = false;
    uint32_t ringLen_ = 0;
    float sampleRate_ = 0.0f;
    float pitchCents_ = 0.0f;
    float ratio_ = 1.0f;
    float gain_ = 1.0f;
    uint32_t hop_ = 1;
    uint32_t grainLen_ = 0;
    uint32_t grainCount_ = 0;
    int32_t startOffset_ = 0;
    uint32_t phase_ = 0;
    // Past input (oldest first) followed by the current chunk: line_[ringLen_ - 1] is the newest
    // past sample, line_[ringLen_ + t] the chunk's sample t.
    float* line_ = nullptr;
    SlidingLine lineBuffer_;
    float* window_ = nullptr;
    // 1 / (sum of the sounding windows) at each phase of the grain schedule.
    float* inverseSum_ = nullptr;
    uint32_t inverseCapacity_ = 0;
    const GrainKernels* kernels_ = &plainGrainKernels();  // taken afresh for every block
    std::unique_ptr<Grain[]> grains_;
    uint32_t windowCapacity_ = 0;
    uint32_t grainCapacity_ = 0;
    bool redesign_ = false;
    int32_t interpolation_ = 0;
    bool antiAlias_ = false;
    float ratioInUse_ = 1.0f;
    int32_t startOffsetInUse_ = 0;
    bool bypassInUse_ = false;
    // Table index of the most recently started grain, -1 when none runs.
    int32_t lastGrain_ = -1;
};
