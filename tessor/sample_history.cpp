#include "tessor/sample_history.h"

#include <algorithm>
#include <cstdlib>

namespace {

int16_t toPcm16(float v)
{
    if (v != v)
        return 0;
    if (v <= -32768.0f)
        return -32768;
    if (v >= 32767.0f)
        return 32767;
    return static_cast<int16_t>(v);
}

}  // namespace

SampleHistory::SampleHistory(uint32_t channels) : channels_(channels), ring_(static_cast<size_t>(kFrames) * channels, 0) {}

void SampleHistory::push(const float* samples, uint32_t frames)
{
    int peak[2] = {0, 0};
    std::lock_guard<std::mutex> lock(mutex_);
    for (uint32_t f = 0; f < frames; ++f) {
        const size_t at = static_cast<size_t>(writeFrame_) * channels_;
        for (uint32_t c = 0; c < channels_; ++c) {
            const int16_t s = toPcm16(samples[static_cast<size_t>(f) * channels_ + c]);
            ring_[at + c] = s;
            peak[c] = std::max(peak[c], std::abs(static_cast<int>(s)));
        }
        writeFrame_ = (writeFrame_ + 1) % kFrames;
    }
    peak_[0] = static_cast<int16_t>(std::min(peak[0], 32767));
    peak_[1] = channels_ == 2 ? static_cast<int16_t>(std::min(peak[1], 32767)) : peak_[0];
}

void SampleHistory::level(int16_t* pair) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    pair[0] = peak_[0];
    pair[1] = peak_[1];
}

void SampleHistory::latest(int16_t* dst, uint32_t frames) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    uint32_t from = (writeFrame_ + kFrames - frames) % kFrames;
    for (uint32_t f = 0; f < frames; ++f) {
        std::copy_n(&ring_[static_cast<size_t>(from) * channels_], channels_, dst + static_cast<size_t>(f) * channels_);
        from = (from + 1) % kFrames;
    }
}
