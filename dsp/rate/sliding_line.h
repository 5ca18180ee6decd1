#pragma once

#include <cstdint>

// The input history of a granular engine: `keep` past samples followed by room for a block of up
// to `block` new ones, seen through data(). Advancing past a block slides the view along a longer
// buffer and copies the kept past back to its start only when the buffer runs out, so the copy
// costs a fraction of a sample per sample instead of `keep` per block.
class SlidingLine {
public:
    SlidingLine() = default;
    SlidingLine(const SlidingLine&) = delete;
    SlidingLine& operator=(const SlidingLine&) = delete;
    ~SlidingLine();

    // Sizes the buffer (keeping it when large enough) and silences the past. False when out of memory.
    bool reset(uint32_t keep, uint32_t block);
    // data()[0 .. keep) is the past, oldest first; data()[keep ..] the block being processed.
    float* data() const { return view_; }
    // Makes the newest `keep` samples (past and the first n of the block) the past of the next block.
    void advance(uint32_t n);

private:
    float* buffer_ = nullptr;
    float* view_ = nullptr;
    uint64_t capacity_ = 0;
    uint32_t keep_ = 0;
    uint32_t block_ = 0;
};
