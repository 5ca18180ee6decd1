#pragma once

#include <cstdint>
#include <initializer_list>

#include "dsp/core/dsp_object.h"
#include "dsp/core/effect_type.h"

// Base of every effect: six per-channel float buffers from FastHeap, the format, and the
// operations the conversion chain drives.
class DspEffect : public DspObject {
public:
    DspEffect() : DspObject(ObjectFamily::Effect) { }
    ~DspEffect() override;

    virtual void releaseBuffers();
    // Re-sizes the object for a new format; effects with rate-dependent state re-derive it.
    virtual void allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate);
    // Frames one call delivers for srcFrames input frames.
    virtual uint32_t getDstSize(uint32_t srcFrames);
    // Processes one channel (0 or 1) with that channel's state; returns frames written.
    virtual uint32_t processChannel(uint32_t channel, const float* in, float* out, uint32_t frames) = 0;
    // Runs channel 0 and, for stereo, channel 1; returns frames written.
    virtual uint32_t process(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames);
    // Interleaved 16-bit path; returns bytes written.
    virtual uint32_t processPcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes);

    // Sizes the six buffers; on failure frees them and leaves the effect unsized (maxInFrames 0).
    bool allocBaseBuffers(uint32_t frames, uint32_t channels);
    // Grows the given buffers to frames floats; on failure releases every buffer (the effect is
    // then unsized and refuses all work) and returns false.
    bool growBuffers(std::initializer_list<float**> buffers, uint32_t frames);
    bool isType(EffectType tag) const { return type == tag; }
    bool isStereo() const { return inChannels == 2; }

    // Bytes of interleaved 16-bit input one call may carry at the current size.
    uint64_t maxInBytes() const { return uint64_t(maxInFrames) * (isStereo() ? 2 : 1) * 2; }

    // The generic same-rate do*: converts src to float, runs each channel, converts back into dst.
    // Returns false, touching nothing, when srcBytes is more than the buffers hold.
    bool runSameRatePcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes);

    uint32_t& buffersReady = ready;
    EffectType type = EffectType::None;
    float* inL = nullptr;
    float* inR = nullptr;
    float* outL = nullptr;
    float* outR = nullptr;
    float* scratchA = nullptr;
    float* scratchB = nullptr;
    uint32_t inChannels = 0;
    uint32_t outChannels = 0;
    uint32_t maxInFrames = 0;
    uint32_t maxOutFrames = 0;
    uint32_t inRate = 0;
    uint32_t outRate = 0;
    // Set while a chain owns the effect: no second chain and no term* may take it.
    bool inChain = false;
};
