#pragma once

#include <cstdint>
#include <vector>

#include "dsp/core/dsp_effect.h"

// Runs effects one after another on one stream, in ascending order of a key (equal keys in the
// order added). The stream is converted once on entry and once on exit; the effects hand their
// float buffers straight to each other. Each effect is re-sized to the block size, channel count
// and rate its predecessor delivers. The chain owns the effects added to it.
class DspChain {
public:
    // Largest block a chain accepts, so effect buffer sizes stay far from 32-bit overflow.
    static constexpr uint32_t kMaxFrames = 1u << 20;

    // frames 1..kMaxFrames, channels 1 or 2, rate above 0.
    static bool validFormat(uint32_t frames, uint32_t channels, uint32_t rate);

    DspChain(uint32_t frames, uint32_t channels, uint32_t rate);
    ~DspChain();
    DspChain(const DspChain&) = delete;
    DspChain& operator=(const DspChain&) = delete;

    // Takes ownership of an effect with buffers; a null effect, one without buffers or one
    // already in the chain is refused. Returns the number of effects afterwards.
    uint32_t add(DspEffect* effect, uint32_t order);
    // A new source format; an invalid one is ignored. Effects whose format does not change keep their state.
    void adjust(uint32_t frames, uint32_t channels, uint32_t rate);
    // Interleaved 16-bit block through every effect. Returns bytes written, 0 when the block is
    // larger than the chain was sized for or a pointer is null.
    uint32_t send(const int16_t* src, int16_t* dst, uint32_t srcBytes);
    // Interleaved floats, no scaling or clamping. Returns frames written (0 as for send).
    uint32_t sendFloat(const float* src, float* dst, uint32_t frames);
    // Deletes every effect; the source format stays.
    void clear();

    uint32_t dstRate() const;
    uint32_t dstChannels() const;
    uint32_t dstSize(uint32_t srcFrames) const;
    // The effect at index (0 = first processed), or null beyond the count.
    DspEffect* effectAt(uint32_t index) const;
    uint32_t count() const { return static_cast<uint32_t>(nodes_.size()); }

private:
    struct Node {
        DspEffect* effect;
        uint32_t order;
    };

    void propagate();
    // Runs the effects after the head has its input; returns the frames the tail delivered.
    uint32_t runEffects(uint32_t frames);

    std::vector<Node> nodes_;
    uint32_t srcFrames_;
    uint32_t srcChannels_;
    uint32_t srcRate_;
};
