#include "dsp/rate/slice_detector.h"

#include <cmath>

namespace {

// Envelope values below -100 dB, under the quietest 16-bit sample, count as silence: the
// smoothing filter's tail rings round zero long after a sound has stopped, and each of its
// tiny troughs would otherwise be taken for the valley before the next attack.
constexpr float kSilence = 1e-5f;

}  // namespace

void SliceDetector::setup(uint32_t frames, float rate, float onDb, float offDb, float risePercent, float minSeconds)
{
    sampleRate_ = rate;
    secondsPerSample_ = 1.0f / rate;
    maxFrames_ = frames;
    onLevel_ = static_cast<float>(std::pow(10.0, 0.05 * onDb));
    offLevel_ = static_cast<float>(std::pow(10.0, 0.05 * offDb));
    minRise_ = 0.01f * risePercent;
    const double minSamples = double(rate) * minSeconds;
    // A negative or NaN length is no minimum; one beyond any stream never lets a slice close.
    minLength_ = !(minSamples > 0.0) ? 0 : minSamples >= 1.8e19 ? UINT64_MAX : static_cast<uint64_t>(minSamples);

    inSlice_ = rising_ = false;
    seekingValley_ = true;
    valley_ = 1.0f;
    peak_ = 0.0f;
    valleyPos_ = peakPos_ = sliceStart_ = sliceEnd_ = position_ = 0;
    slices_.clear();

    envelopeBuffer_.assign(frames, 0.0f);
    // A 1 ms peak hold smoothed by a second-order 33 Hz low-pass, as the level meter uses.
    envelope_.setup(frames, rate, 2, 33.0f, 1.0f, false, 1.0f);
    ready = 1;
}

void SliceDetector::append(uint64_t start, uint64_t end)
{
    OrvaneSlice s{nullptr, nullptr, float(start) * secondsPerSample_, float(end) * secondsPerSample_};
    if (!slices_.empty())
        s.previous = &slices_.back();
    slices_.push_back(s);
    if (s.previous != nullptr)
        slices_[slices_.size() - 2].next = &slices_.back();
}

bool SliceDetector::process(const float* in, uint32_t frames)
{
    if (!ready || frames > maxFrames_)
        return false;
    if (frames == 0)
        return true;
    float* env = envelopeBuffer_.data();
    envelope_.process(in, env, frames);
    for (uint32_t i = 0; i < frames; ++i) {
        const float e = env[i] < kSilence ? 0.0f : env[i];
        const uint64_t p = position_;
        const bool attack = e >= onLevel_ && rising_ && e - valley_ >= minRise_;
        if (!inSlice_) {
            if (attack) {
                inSlice_ = true;
                rising_ = false;
                sliceStart_ = valleyPos_;
            }
        } else if (p - sliceStart_ > minLength_) {
            if (e < offLevel_) {
                sliceEnd_ = p;
                inSlice_ = false;
                append(sliceStart_, p);
            } else if (attack) {
                append(sliceStart_, valleyPos_);
                sliceStart_ = valleyPos_;
                rising_ = false;
            }
        }

        if (seekingValley_ && e > valley_) {
            peak_ = e;
            peakPos_ = p;
            seekingValley_ = false;
            rising_ = true;
        } else if (!seekingValley_ && e >= peak_) {
            peak_ = e;
            peakPos_ = p;
        } else if (seekingValley_) {
            valley_ = e;
            valleyPos_ = p;
        } else {
            valley_ = e;
            valleyPos_ = p;
            seekingValley_ = true;
            rising_ = false;
        }
        ++position_;
    }
    return true;
}

uint32_t SliceDetector::stop()
{
    if (inSlice_) {
        inSlice_ = false;
        sliceEnd_ = position_;
        append(sliceStart_, position_);
    }
    return count();
}

const OrvaneSlice* SliceDetector::slice(uint32_t index) const
{
    if (slices_.empty())
        return nullptr;
    return &slices_[index < slices_.size() ? index : slices_.size() - 1];
}
