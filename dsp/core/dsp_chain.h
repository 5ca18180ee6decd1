#pragma once

#include <cstdint>
#include <vector>

#include "dsp/core/dsp_effect.h"
#include "dsp/core/format_limits.h"

// Runs effects one after another on one stream, in ascending order of a key (equal keys in the
// order added). The stream is converted once on entry and once on exit; the effects hand their
// float buffers straight to each other. Each effect is re-sized to the block size, channel count
// and rate its predecessor delivers. The chain owns the effects added to it. When an effect
// cannot take the format its predecessor delivers (a rate or block beyond the limits, no memory),
// the chain runs nothing until a later format suits every effect.
class DspChain : public DspObject {
public:
    // Largest block a chain accepts, so effect buffer sizes stay far from 32-bit overflow.
    static constexpr uint32_t kMaxFrames = 1u << 20;

    // frames 1..kMaxFrames, channels 1 or 2, rate 1..kMaxRate.
    static bool validFormat(uint32_t frames, uint32_t channels, uint32_t rate);

    DspChain(uint32_t frames, uint32_t channels, uint32_t rate);
    ~DspChain() override;

    // Takes ownership of an effect with buffers; a null effect, one without buffers or one
    // already in a chain is refused. Returns the number of effects afterwards.
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
    // False while some effect could not take the format it is handed.
    bool runnable() const { return runnable_; }

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
    bool runnable_ = true;
};
