#pragma once

#include <cstdint>
#include <vector>

// Single-precision forward real DFT of a power-of-two length, computed in place as a complex
// FFT of half the length followed by the real-input split. Tables are built by prepare(), so the
// transform itself never allocates.
//
// Output packing (unnormalised, sine terms with a positive sign):
//   a[0] = sum x[j], a[1] = sum x[j] * (-1)^j,
//   a[2k] = sum x[j] cos(2 pi j k / N), a[2k+1] = sum x[j] sin(2 pi j k / N) for 0 < k < N/2.
class RealFft {
public:
    static constexpr uint32_t kMinSize = 4;
    static constexpr uint32_t kMaxSize = 32768;

    static bool validSize(uint32_t n) { return n >= kMinSize && n <= kMaxSize && (n & (n - 1)) == 0; }

    // Builds the tables for length n (a valid size); a call with the current length does nothing.
    // When an allocation fails (throws), the transform is left as it was.
    void prepare(uint32_t n);
    uint32_t size() const { return size_; }
    // Transforms size() floats of a in place; does nothing before prepare().
    void forward(float* a) const;

private:
    void complexForward(float* a) const;

    uint32_t size_ = 0;
    std::vector<uint32_t> bitReverse_;  // permutation of the N/2 complex points
    std::vector<float> twiddle_;        // cos/sin(2 pi k / (N/2)), k < N/4, for the complex stages
    std::vector<float> split_;          // cos/sin(2 pi k / N), k <= N/4, for the real-input split
};
