#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/core/cpu_switches.h"

// Float samples <-> integer PCM of 16, 24 and 32 bits by one rule, with the same results on every
// vector path: float full scale +-1.0 stands for 2^(bits - 1). Float to integer multiplies by the
// full scale (or by the scale given), rounds to nearest with ties to even, saturates at the
// integer's range (+1.0 gives the top value) and turns NaN into 0. Integer to float divides by the
// full scale (32-bit values rounded to the nearest float first). Scaling by a power of two is
// exact, so for such scales every result is the rounding of the exact product. Samples are counted
// singly: interleaved or planar makes no difference. 24-bit PCM is packed, 3 bytes little-endian.
namespace pcm {

constexpr float kFullScale16 = 32768.0f;
constexpr float kFullScale24 = 8388608.0f;
constexpr float kFullScale32 = 2147483648.0f;

// dst[i] = the rule applied to src[i] x scale (kFullScale16, or 1 for floats already in 16-bit scale).
void toInt16(const float* src, int16_t* dst, size_t count, float scale = kFullScale16);
void toInt24(const float* src, uint8_t* dst, size_t count);
void toInt32(const float* src, int32_t* dst, size_t count);
void fromInt16(const int16_t* src, float* dst, size_t count);
void fromInt24(const uint8_t* src, float* dst, size_t count);
void fromInt32(const int32_t* src, float* dst, size_t count);

// The same on an explicit path (tests pin one; the functions above take the process's path now).
void toInt16On(cpu::Path path, const float* src, int16_t* dst, size_t count, float scale = kFullScale16);
void toInt24On(cpu::Path path, const float* src, uint8_t* dst, size_t count);
void toInt32On(cpu::Path path, const float* src, int32_t* dst, size_t count);
void fromInt16On(cpu::Path path, const int16_t* src, float* dst, size_t count);
void fromInt24On(cpu::Path path, const uint8_t* src, float* dst, size_t count);
void fromInt32On(cpu::Path path, const int32_t* src, float* dst, size_t count);

// One path's kernels. Each converts the leading run that fills whole vectors and returns how many
// samples it did; the plain code finishes the rest. toInt32 bounds x = src x scale to [lo, hi]
// and gives INT32_MAX where that leaves 2^31 (hi may be 2^31, which no int32 holds).
struct FullScaleKernels {
    size_t (*toInt16)(const float* src, int16_t* dst, size_t count, float scale);
    size_t (*toInt32)(const float* src, int32_t* dst, size_t count, float scale, float lo, float hi);
    size_t (*fromInt16)(const int16_t* src, float* dst, size_t count);
    size_t (*fromInt32)(const int32_t* src, float* dst, size_t count, float scale);
};
const FullScaleKernels& sseFullScaleKernels();
// Only for a CPU with AVX2 and FMA.
const FullScaleKernels& avx2FullScaleKernels();

}  // namespace pcm
