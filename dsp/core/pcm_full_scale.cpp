#include "dsp/core/pcm_full_scale.h"

#include <climits>
#include <cmath>

namespace pcm {
namespace {

constexpr size_t kChunk = 256;  // 24-bit samples converted through an int32 block of this size

// The rule for one sample: NaN to 0, else bounded to [lo, hi] and rounded to nearest (ties to
// even in the default rounding mode, as the vector conversions do); a bound of 2^31 gives the top int32.
int32_t roundHeld(float x, float lo, float hi)
{
    if (x != x)
        return 0;
    x = x < lo ? lo : (x > hi ? hi : x);
    if (x >= kFullScale32)
        return INT32_MAX;
    return static_cast<int32_t>(std::lrint(x));
}

const FullScaleKernels* kernelsFor(cpu::Path path)
{
    switch (path) {
    case cpu::Path::Avx2:
        if (cpu::supported(path))
            return &avx2FullScaleKernels();
        return &sseFullScaleKernels();
    case cpu::Path::Sse:
    case cpu::Path::ThreeDNow:  // one rule: the SSE kernels give it
        return &sseFullScaleKernels();
    case cpu::Path::Plain:
        break;
    }
    return nullptr;
}

void toInt32With(cpu::Path path, const float* src, int32_t* dst, size_t count, float scale, float lo, float hi)
{
    const FullScaleKernels* k = kernelsFor(path);
    size_t i = k ? k->toInt32(src, dst, count, scale, lo, hi) : 0;
    for (; i < count; ++i)
        dst[i] = roundHeld(src[i] * scale, lo, hi);
}

void fromInt32With(cpu::Path path, const int32_t* src, float* dst, size_t count, float scale)
{
    const FullScaleKernels* k = kernelsFor(path);
    size_t i = k ? k->fromInt32(src, dst, count, scale) : 0;
    for (; i < count; ++i)
        dst[i] = static_cast<float>(src[i]) * scale;
}

}  // namespace

void toInt16On(cpu::Path path, const float* src, int16_t* dst, size_t count, float scale)
{
    const FullScaleKernels* k = kernelsFor(path);
    size_t i = k ? k->toInt16(src, dst, count, scale) : 0;
    for (; i < count; ++i)
        dst[i] = static_cast<int16_t>(roundHeld(src[i] * scale, -32768.0f, 32767.0f));
}

void toInt24On(cpu::Path path, const float* src, uint8_t* dst, size_t count)
{
    int32_t block[kChunk];
    for (size_t at = 0; at < count; at += kChunk) {
        const size_t n = count - at < kChunk ? count - at : kChunk;
        toInt32With(path, src + at, block, n, kFullScale24, -kFullScale24, kFullScale24 - 1.0f);
        uint8_t* out = dst + 3 * at;
        for (size_t i = 0; i < n; ++i) {
            const auto v = static_cast<uint32_t>(block[i]);
            out[3 * i] = static_cast<uint8_t>(v);
            out[3 * i + 1] = static_cast<uint8_t>(v >> 8);
            out[3 * i + 2] = static_cast<uint8_t>(v >> 16);
        }
    }
}

void toInt32On(cpu::Path path, const float* src, int32_t* dst, size_t count)
{
    toInt32With(path, src, dst, count, kFullScale32, -kFullScale32, kFullScale32);
}

void fromInt16On(cpu::Path path, const int16_t* src, float* dst, size_t count)
{
    const FullScaleKernels* k = kernelsFor(path);
    size_t i = k ? k->fromInt16(src, dst, count) : 0;
    for (; i < count; ++i)
        dst[i] = static_cast<float>(src[i]) * (1.0f / kFullScale16);
}

void fromInt24On(cpu::Path path, const uint8_t* src, float* dst, size_t count)
{
    int32_t block[kChunk];
    for (size_t at = 0; at < count; at += kChunk) {
        const size_t n = count - at < kChunk ? count - at : kChunk;
        const uint8_t* in = src + 3 * at;
        for (size_t i = 0; i < n; ++i) {
            // The top byte shifted into place and back sign-extends the 24-bit value.
            const uint32_t u = uint32_t(in[3 * i]) << 8 | uint32_t(in[3 * i + 1]) << 16 | uint32_t(in[3 * i + 2]) << 24;
            block[i] = static_cast<int32_t>(u) / 256;
        }
        fromInt32With(path, block, dst + at, n, 1.0f / kFullScale24);
    }
}

void fromInt32On(cpu::Path path, const int32_t* src, float* dst, size_t count)
{
    fromInt32With(path, src, dst, count, 1.0f / kFullScale32);
}

void toInt16(const float* src, int16_t* dst, size_t count, float scale)
{
    toInt16On(cpu::activePath(), src, dst, count, scale);
}
void toInt24(const float* src, uint8_t* dst, size_t count)
{
    toInt24On(cpu::activePath(), src, dst, count);
}
void toInt32(const float* src, int32_t* dst, size_t count)
{
    toInt32On(cpu::activePath(), src, dst, count);
}
void fromInt16(const int16_t* src, float* dst, size_t count)
{
    fromInt16On(cpu::activePath(), src, dst, count);
}
void fromInt24(const uint8_t* src, float* dst, size_t count)
{
    fromInt24On(cpu::activePath(), src, dst, count);
}
void fromInt32(const int32_t* src, float* dst, size_t count)
{
    fromInt32On(cpu::activePath(), src, dst, count);
}

}  // namespace pcm
