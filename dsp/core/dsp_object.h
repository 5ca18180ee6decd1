#pragma once

#include <cstdint>

// Common root of every polymorphic object of the dsp library.
class DspObject {
public:
    DspObject() = default;
    virtual ~DspObject() = default;
    DspObject(const DspObject&) = delete;
    DspObject& operator=(const DspObject&) = delete;

    // Set once the object's storage exists.
    uint32_t ready = 0;
};
