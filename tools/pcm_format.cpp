#include "tools/pcm_format.h"

#include <cmath>
#include <cstring>

#include "orvane/dsp.h"

namespace {

// Added and taken away again, these round a value to the nearest integer, ties to even, exactly
// as lrint does in the default rounding mode: floats below 2^22, doubles below 2^51 in size.
constexpr float kRoundFloat = 12582912.0f;           // 1.5 x 2^23
constexpr double kRoundDouble = 6755399441055744.0;  // 1.5 x 2^52

// v x scale held to [-scale, scale - 1]; NaN gives 0. Written so NaN fails both comparisons.
template<typename T> T held(T v, T scale)
{
    const T s = v * scale;
    const T low = s > -scale ? s : (s <= -scale ? -scale : T(0));
    return low < scale - 1 ? low : scale - 1;
}

void put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// 16-bit samples are read in runs of this many, a fixed count the compiler turns into vector code;
// each is copied as a whole int16, which is its little-endian form on the hosts this tool is built
// for (as the SSE2 store below assumes too).
constexpr size_t kLanes = 8;

// Speaker positions for 1 to 8 channels: centre; front left, right; then centre, LFE, back and
// side pairs as the common layouts add them.
constexpr uint32_t kChannelMasks[9] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};

}  // namespace

uint32_t sampleBytes(SampleFormat format)
{
    return format == SampleFormat::Int16 ? 2 : format == SampleFormat::Int24 ? 3 : 4;
}

const char* sampleFormatName(SampleFormat format)
{
    switch (format) {
    case SampleFormat::Int16:
        return "16-bit PCM";
    case SampleFormat::Int24:
        return "24-bit PCM";
    case SampleFormat::Int32:
        return "32-bit PCM";
    case SampleFormat::Float32:
        break;
    }
    return "32-bit float";
}

int16_t pcm16Of(float v)
{
    return int16_t(int32_t((held(v, 32768.0f) + kRoundFloat) - kRoundFloat));
}

void encodePcm(const float* src, uint8_t* dst, size_t count, SampleFormat format)
{
    // One loop per width, each sample stored little-endian in place.
    switch (format) {
    // Up to 24 bits, libdsp's conversion family holds this file's rule (with its vector forms);
    // the blocks the tool writes stay far below the family's count limit.
    case SampleFormat::Int16:
        dspFloatToPcm16(src, reinterpret_cast<int16_t*>(dst), uint32_t(count));
        return;
    case SampleFormat::Int24:
        dspFloatToPcm24(src, dst, uint32_t(count));
        return;
    case SampleFormat::Int32:
        for (size_t i = 0; i < count; ++i, dst += 4) {
            const auto v = uint32_t(int32_t((held(double(src[i]), 2147483648.0) + kRoundDouble) - kRoundDouble));
            dst[0] = uint8_t(v), dst[1] = uint8_t(v >> 8), dst[2] = uint8_t(v >> 16), dst[3] = uint8_t(v >> 24);
        }
        return;
    case SampleFormat::Float32:
        for (size_t i = 0; i < count; ++i, dst += 4) {
            const float f = std::isfinite(src[i]) ? src[i] : 0.0f;
            uint32_t u = 0;
            std::memcpy(&u, &f, 4);
            dst[0] = uint8_t(u), dst[1] = uint8_t(u >> 8), dst[2] = uint8_t(u >> 16), dst[3] = uint8_t(u >> 24);
        }
        return;
    }
}

void decodePcm(const uint8_t* p, float* out, size_t count, uint32_t bits, bool floating)
{
    // One loop per width keeps the choice out of the per-sample work.
    if (floating) {
        for (size_t i = 0; i < count; ++i) {
            const uint32_t v = uint32_t(p[4 * i]) | uint32_t(p[4 * i + 1]) << 8 | uint32_t(p[4 * i + 2]) << 16
                | uint32_t(p[4 * i + 3]) << 24;
            float f = 0.0f;
            std::memcpy(&f, &v, 4);
            out[i] = std::isfinite(f) ? f : 0.0f;
        }
    } else if (bits == 8) {
        for (size_t i = 0; i < count; ++i)
            out[i] = float(int(p[i]) - 128) * (1.0f / 128.0f);
    } else if (bits == 16) {
        size_t i = 0;
        for (int16_t lanes[kLanes]; i + kLanes <= count; i += kLanes) {
            std::memcpy(lanes, p + 2 * i, sizeof lanes);
            for (size_t k = 0; k < kLanes; ++k)
                out[i + k] = float(lanes[k]) * (1.0f / 32768.0f);
        }
        for (int16_t v; i < count; ++i) {
            std::memcpy(&v, p + 2 * i, 2);
            out[i] = float(v) * (1.0f / 32768.0f);
        }
    } else if (bits == 24) {
        for (size_t i = 0; i < count; ++i, p += 3) {
            const int32_t v = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
            out[i] = float(v) * (1.0f / 8388608.0f);
        }
    } else {
        for (size_t i = 0; i < count; ++i, p += 4) {
            const int32_t v
                = int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
            out[i] = float(double(v) * (1.0 / 2147483648.0));
        }
    }
}

std::vector<uint8_t> wavHeader(uint32_t rate, uint32_t channels, SampleFormat format, uint64_t dataBytes)
{
    const bool extensible = format != SampleFormat::Int16 || channels > 2;
    const uint32_t bits = sampleBytes(format) * 8;
    const uint32_t frameBytes = channels * sampleBytes(format);
    const uint32_t fmtBytes = extensible ? 40 : 16;
    const uint32_t headerBytes = 12 + 8 + fmtBytes + 8;
    const uint64_t padded = dataBytes + (dataBytes & 1);
    const uint32_t data = dataBytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(dataBytes);
    const uint64_t riff = padded + headerBytes - 8;
    std::vector<uint8_t> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    put32(h, riff > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(riff));
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(h, fmtBytes);
    const uint16_t tag = format == SampleFormat::Float32 ? 3 : 1;
    put16(h, extensible ? 0xFFFE : tag);
    put16(h, channels);
    put32(h, rate);
    put32(h, rate * frameBytes);
    put16(h, frameBytes);
    put16(h, bits);
    if (extensible) {
        put16(h, 22);    // extension bytes
        put16(h, bits);  // valid bits
        put32(h, channels < 9 ? kChannelMasks[channels] : 0);
        put16(h, tag);  // the sub-format GUID: the tag, then the fixed tail
        h.insert(h.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    }
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    put32(h, data);
    return h;
}
