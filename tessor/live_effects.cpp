#include "tessor/live_effects.h"

#include <algorithm>
#include <cmath>

#include "orvane/dsp.h"

namespace {
// Grains of 50 ms every 10 ms: smooth on music, and short enough to follow changes.
constexpr float kGrainTime = 0.05f;
constexpr float kGrainInterval = 0.01f;
constexpr float kSlowestScale = -2000.0f;  // factor 4: the stretcher's output is sized for it
// The 48 kHz stage: a 16 kHz band feeds the harmonics; the anti-image filter passes up to about
// 0.42 of the source rate.
constexpr uint32_t kBandCutoffHz = 16000;
constexpr float kStopbandDb = 60.0f;
constexpr float kSlopeDbPerOctave = 240.0f;
constexpr float kHarmonicsMixPercent = 100.0f;
// Past an engaging effect is run over first: the shifter reads up to three grains (of 1.5 grain
// times) back, the stretcher one grain scaled by the speed.
constexpr float kPrimeTime = 0.25f;
}  // namespace

float LiveEffects::stretchScaleFor(float speed)
{
    if (!std::isfinite(speed))
        return 0.0f;
    speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
    return speed == 0.0f ? 0.0f : static_cast<float>(1000.0 * std::log2(1.0 + speed / 1000.0));
}

LiveEffects::LiveEffects(uint32_t rate, uint32_t channels, uint32_t maxFrames, bool out48k)
    : rate_(rate), channels_(channels == 2 ? 2 : 1), maxFrames_(maxFrames)
{
    pitch_.reset(initPitchShift(maxFrames, channels_, rate, 0, 0, kGrainTime, kGrainInterval, 1, 1));
    stretch_.reset(initStretch(maxFrames, channels_, rate, kSlowestScale, 0, kGrainTime, kGrainInterval));
    setStretchScale(stretch_.get(), 0);
    if (out48k && rate != 48000) {
        hqups_.reset(initHqupsBySrcsize(4 * maxFrames, channels_, channels_, rate, 0, kHarmonicsMixPercent,
                                        kBandCutoffHz, 1, kStopbandDb, kSlopeDbPerOctave, 1, 1));
    }
    // Latch the neutral settings now so the first block already runs with them.
    int16_t none[2] = {0, 0};
    doStretch(stretch_.get(), none, none, 0);
    pcmA_.resize(static_cast<size_t>(maxOutFrames()) * channels_);
    pcmB_.resize(pcmA_.size());
    out_.resize(pcmA_.size());
    const auto primeFrames = static_cast<uint32_t>(kPrimeTime * static_cast<float>(rate));
    slots_ = 1 + (primeFrames + maxFrames_ - 1) / std::max(maxFrames_, 1u);
    inputs_.assign(static_cast<size_t>(slots_) * maxFrames_ * channels_, 0.0f);
    inputFrames_.assign(slots_, 0);
}

uint32_t LiveEffects::maxOutFrames() const
{
    const uint32_t stretched = 4 * maxFrames_;
    return hqups_ != nullptr ? getHqupsDstSize(hqups_.get(), stretched) : stretched;
}

void LiveEffects::apply(const TessorSettings& s)
{
    int16_t none[2] = {0, 0};
    if (s.pitch != pitchCents_ && setPitchShiftPitch(pitch_.get(), s.pitch)) {
        pitchCents_ = s.pitch;
        doPitchShift(pitch_.get(), none, none, 0);  // an empty block makes the new pitch current at once
    }
    const float scale = stretchScaleFor(s.speed);
    if (scale != stretchScale_ && setStretchScale(stretch_.get(), scale)) {
        stretchScale_ = scale;
        doStretch(stretch_.get(), none, none, 0);
    }
    if (hqups_ != nullptr && s.harmonics != harmonics_ && setHqupsHarmonics(hqups_.get(), s.harmonics))
        harmonics_ = s.harmonics;
}

uint32_t LiveEffects::shiftAndStretch(const float* in, uint32_t frames)
{
    const uint32_t count = frames * channels_;
    dspPcmEncode(in, pcmA_.data(), count);
    doPitchShift(pitch_.get(), pcmA_.data(), pcmB_.data(), count * 2);
    return static_cast<uint32_t>(doStretch(stretch_.get(), pcmB_.data(), pcmA_.data(), count * 2)) / (2 * channels_);
}

void LiveEffects::prime(uint32_t slot)
{
    for (uint32_t i = 1; i < slots_; ++i) {
        const uint32_t s = (slot + i) % slots_;
        if (inputFrames_[s] > 0)
            shiftAndStretch(inputs_.data() + static_cast<size_t>(s) * maxFrames_ * channels_, inputFrames_[s]);
    }
}

uint32_t LiveEffects::process(uint32_t frames, const TessorSettings& settings, const float** out)
{
    const uint32_t slot = current_;
    const float* in = input();
    frames = std::min(frames, maxFrames_);
    inputFrames_[slot] = frames;
    current_ = (current_ + 1) % slots_;
    if (pitch_ == nullptr || stretch_ == nullptr) {
        *out = in;  // a rate too low for the grains: play unchanged
        return frames;
    }
    const bool wasEngaged = engaged();
    apply(settings);
    if (!engaged() && hqups_ == nullptr) {
        *out = in;  // nothing changes the sound: play the pulled samples untouched
        return frames;
    }
    uint32_t outFrames = frames;
    if (engaged()) {
        if (!wasEngaged)
            prime(slot);
        outFrames = shiftAndStretch(in, frames);
    } else {
        dspPcmEncode(in, pcmA_.data(), frames * channels_);
    }
    const int16_t* result = pcmA_.data();
    if (hqups_ != nullptr) {
        const int32_t bytes = doHqups(hqups_.get(), pcmA_.data(), pcmB_.data(), outFrames * channels_ * 2);
        outFrames = static_cast<uint32_t>(bytes) / (2 * channels_);
        result = pcmB_.data();
    }
    for (uint32_t i = 0; i < outFrames * channels_; ++i)
        out_[i] = static_cast<float>(result[i]);
    *out = out_.data();
    return outFrames;
}
