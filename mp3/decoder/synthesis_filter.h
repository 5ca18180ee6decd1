#pragma once

#include <cstdint>

class Obuffer;

// Subband synthesis of one output channel: each run turns the 32 subband samples set through
// samples() into 32 PCM samples (volume folded in from the player's volume window). The
// standard's 1024-value V vector is kept as two 512-float buffers (32 rows x 16 ring slots)
// used alternately, so each run stores 64 new values and windows 16 taps per output sample.
class SynthesisFilter {
public:
    // channel 0 or 1 (which output channel it writes); scale is kept for the owner (32768).
    SynthesisFilter(int32_t channel, float scale);
    ~SynthesisFilter();
    SynthesisFilter(const SynthesisFilter&) = delete;
    SynthesisFilter& operator=(const SynthesisFilter&) = delete;

    // False when the V buffers could not be allocated; run() then writes zeros.
    bool ready() const { return v_[0] != nullptr && v_[1] != nullptr; }
    // Zeroes the history and the inputs; ring position back to 15 (after a seek).
    void reset();

    // Inputs of the next run: element k is the sample of subband k.
    float* samples() { return samples_; }
    // Synthesises 32 samples into out[0], out[stride], ... (out may be null: the state still advances).
    void run(float* out, uint32_t stride);
    // Synthesises 32 samples into the output's block at this filter's channel write position and
    // moves that position on by 32 frames; nothing is written when the block is full.
    void run(Obuffer& out);

    int32_t channel() const { return channel_; }
    float scale() const { return scale_; }
    int32_t ringPosition() const { return ring_; }

private:
    float* v_[2] = {nullptr, nullptr};
    int32_t active_ = 0;
    int32_t ring_ = 15;
    int32_t channel_;
    float scale_;
    alignas(16) float samples_[32] = {};
};
