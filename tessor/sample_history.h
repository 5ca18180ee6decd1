#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

// A short ring of the 16-bit samples last sent to the output, for the level and waveform
// read-outs. Written by the output thread, read by host threads.
class SampleHistory {
public:
    static constexpr uint32_t kFrames = 65536;

    explicit SampleHistory(uint32_t channels);

    // Appends frames frames of interleaved floats in 16-bit scale (truncated, held to the int16 range,
    // NaN as 0) under one lock; the block's peaks become the level.
    void push(const float* samples, uint32_t frames);
    // The peak of the last block per channel; a mono stream gives both the same.
    void level(int16_t* pair) const;
    // The frames frames last sent (frames <= kFrames), oldest first, interleaved.
    void latest(int16_t* dst, uint32_t frames) const;

private:
    uint32_t channels_;
    mutable std::mutex mutex_;
    std::vector<int16_t> ring_;
    uint32_t writeFrame_ = 0;
    int16_t peak_[2] = {0, 0};
};
