#pragma once

#include <cstdint>

// The conversion sink of convert mode: each block of floats in 16-bit scale becomes 16-bit PCM by
// libdsp's conversion family and goes on to norv.
class NorvFeed {
public:
    NorvFeed() = default;
    ~NorvFeed();
    NorvFeed(const NorvFeed&) = delete;
    NorvFeed& operator=(const NorvFeed&) = delete;

    // Sizes the 16-bit buffer for blocks of up to blockSamples samples and tells norv the rate;
    // false when the buffer cannot be had.
    bool open(int32_t sampleRate, uint32_t blockSamples);
    // Converts count interleaved samples of channels channels and hands them to norv.
    void send(const float* block, uint32_t count, uint32_t channels);
    // True once norv refused a block: the output is incomplete.
    bool writeFailed() const { return writeFailed_; }

private:
    int16_t* pcm_ = nullptr;
    uint32_t capacity_ = 0;
    bool writeFailed_ = false;
};
