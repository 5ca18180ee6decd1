#pragma once

#include <cstdint>
#include <vector>

// In-place radix-2 complex FFT over separate real and imaginary arrays. Each object owns its
// sine and bit-reversal tables, so transforms of different sizes never share or rebuild them
// behind each other's back (no process-wide state).
class Radix2Transform {
public:
    // Size must be a power of two (1 included); anything else leaves the transform empty.
    void setSize(uint32_t size);
    uint32_t size() const { return size_; }
    // Forward transform, X[k] = sum x[m] e^(-j 2 pi k m / size), of size values in place.
    void forward(float* re, float* im) const;

    static bool isPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

private:
    uint32_t size_ = 0;
    std::vector<uint32_t> bitReverse_;
    std::vector<float> cosTable_;  // cos(2 pi i / size), i < size / 2
    std::vector<float> sinTable_;
};
