#pragma once

#include <cstdint>
#include <memory>

#include "dsp/core/biquad_design.h"
#include "dsp/core/dsp_object.h"

// A cascade of second-order sections (one first-order section for odd orders) run in double
// precision over float buffers. The state survives redesigns, so a cutoff can move while audio
// runs; setOrder clears it. One cascade per audio channel.
class BiquadCascade : public DspObject {
public:
    // Orders above this are clamped to it; negative orders act as 0 (a pass-through).
    static constexpr int32_t kMaxOrder = 64;

    BiquadCascade() = default;
    ~BiquadCascade() override = default;

    // kind 1 is high-pass, anything else low-pass. Resets every section to a pass-through with
    // cleared state; storage grows as needed and never shrinks. When growing it fails (throws), the
    // cascade is left as it was.
    virtual void setOrder(int32_t order, int32_t kind);
    // Writes the coefficients of every section for this rate and cutoff (Hz); state is kept.
    virtual void design(float sampleRate, float cutoff) = 0;
    // Filters count floats from in to out (may be the same buffer). Returns count.
    virtual uint32_t process(const float* in, float* out, uint32_t count);
    // As process, but adds each filtered value to out.
    virtual uint32_t processAdd(const float* in, float* out, uint32_t count);

    // The Chebyshev type I design with a caller-chosen ripple in dB (clamped to at least 0.0001).
    // Rates that are not positive and finite, or a non-finite cutoff or ripple, change nothing.
    void designChebyshev(float sampleRate, float cutoff, float rippleDb);
    // Zeroes the state words, keeping the coefficients.
    void clearState();

    int32_t order() const { return order_; }
    int32_t sectionCount() const { return sectionCount_; }
    float sampleRate() const { return sampleRate_; }
    // The low-pass prototype cutoff last designed (mirrored for a high-pass).
    float cutoff() const { return cutoff_; }
    float kindSign() const { return kindSign_; }
    bool highPass() const { return kindSign_ <= 0.0f; }
    const BiquadSection& section(int32_t k) const { return sections_[k]; }
    // Analytic magnitude of the designed cascade at freqHz, for the current sampleRate.
    double magnitudeAt(double freqHz) const;

protected:
    // Stores the rate and prototype cutoff of a design and returns the sections to fill.
    BiquadSection* beginDesign(float sampleRate, float cutoff);

    float rippleDb_ = 0.0f;

private:
    struct State {
        double z1 = 0.0;
        double z2 = 0.0;
    };

    template<bool Add> uint32_t run(const float* in, float* out, uint32_t count);

    int32_t order_ = 0;
    float sampleRate_ = 0.0f;
    int32_t sectionCount_ = 0;
    float cutoff_ = 0.0f;
    float kindSign_ = 1.0f;
    int32_t capacity_ = 0;
    std::unique_ptr<BiquadSection[]> sections_;
    std::unique_ptr<State[]> state_;
};
