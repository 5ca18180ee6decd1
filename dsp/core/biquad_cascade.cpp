#include "dsp/core/biquad_cascade.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "dsp/core/flush_denormals.h"

void BiquadCascade::setOrder(int32_t order, int32_t kind)
{
    const int32_t clamped = std::clamp(order, 0, kMaxOrder);
    const int32_t sections = biquadSectionCount(clamped);
    if (!ready || sections > capacity_) {
        // Both arrays exist before anything changes, so a failed allocation leaves the cascade as it was.
        const int32_t capacity = std::max(sections, 1);
        auto newSections = std::make_unique<BiquadSection[]>(capacity);
        auto newState = std::make_unique<State[]>(capacity);
        sections_ = std::move(newSections);
        state_ = std::move(newState);
        capacity_ = capacity;
    }
    kindSign_ = kind == 1 ? -1.0f : 1.0f;
    order_ = clamped;
    sectionCount_ = sections;
    for (int32_t k = 0; k < capacity_; ++k) {
        sections_[k] = BiquadSection{};
        state_[k] = State{};
    }
    ready = 1;
}

BiquadSection* BiquadCascade::beginDesign(float sampleRate, float cutoff)
{
    sampleRate_ = sampleRate;
    cutoff_ = static_cast<float>(prototypeCutoff(sampleRate, cutoff, highPass()));
    return sections_.get();
}

void BiquadCascade::designChebyshev(float sampleRate, float cutoff, float rippleDb)
{
    if (!ready || !designArgumentsUsable(sampleRate, cutoff) || !std::isfinite(rippleDb))
        return;
    rippleDb_ = std::max(rippleDb, 0.0001f);
    designChebyshevSections(order_, highPass(), sampleRate, cutoff, rippleDb_, beginDesign(sampleRate, cutoff));
}

void BiquadCascade::clearState()
{
    for (int32_t k = 0; k < capacity_; ++k)
        state_[k] = State{};
}

template<bool Add> uint32_t BiquadCascade::run(const float* in, float* out, uint32_t count)
{
    if (count == 0)
        return 0;
    const FlushDenormals flush;
    BiquadSection* sec = sections_.get();
    State* st = state_.get();
    const int32_t n = sectionCount_;
    for (uint32_t i = 0; i < count; ++i) {
        double x = in[i];
        for (int32_t k = 0; k < n; ++k) {
            const double w = x + sec[k].a1 * st[k].z1 + sec[k].a2 * st[k].z2;
            x = sec[k].b0 * w + sec[k].b1 * st[k].z1 + sec[k].b2 * st[k].z2;
            st[k].z2 = st[k].z1;
            st[k].z1 = w;
        }
        out[i] = Add ? static_cast<float>(out[i] + x) : static_cast<float>(x);
    }
    return count;
}

uint32_t BiquadCascade::process(const float* in, float* out, uint32_t count)
{
    return run<false>(in, out, count);
}

uint32_t BiquadCascade::processAdd(const float* in, float* out, uint32_t count)
{
    return run<true>(in, out, count);
}

double BiquadCascade::magnitudeAt(double freqHz) const
{
    if (sampleRate_ <= 0.0f)
        return 1.0;
    const double omega = 2.0 * 3.14159265358979323846 * freqHz / sampleRate_;
    const std::complex<double> zi = std::polar(1.0, -omega);  // z^-1
    std::complex<double> h = 1.0;
    for (int32_t k = 0; k < sectionCount_; ++k) {
        const BiquadSection& s = sections_[k];
        h *= (s.b0 + s.b1 * zi + s.b2 * zi * zi) / (1.0 - s.a1 * zi - s.a2 * zi * zi);
    }
    return std::abs(h);
}
