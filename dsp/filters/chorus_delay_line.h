#pragma once

#include <cstdint>

#include "dsp/core/dsp_object.h"

// The delay line behind each chorus channel: 65536 samples indexed with a mask, so any read
// distance from 1 to 65535 samples stays inside it.
class ChorusDelayLine : public DspObject {
public:
    static constexpr uint32_t kCapacity = 65536;
    static constexpr uint32_t kMask = kCapacity - 1;

    ~ChorusDelayLine() override;

    // Frees the storage.
    virtual void release();
    // Allocates (or clears) the storage, records the rate and derives the base delay from
    // delayMs. Returns false when the storage could not be had.
    virtual bool setupLine(uint32_t sampleRate, float delayMs);
    void setDelayMs(float delayMs);

    int32_t delay = 0;  // base delay in samples, 0 .. kMask
    uint32_t writeIndex = 0;
    uint32_t sampleRate = 0;
    float* storage = nullptr;
};
