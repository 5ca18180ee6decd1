#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "orvane/dsp.h"

// The format of plain 16-bit PCM, and a little-endian field of a file's bytes, for the WAV tests.
inline OrvaneWaveFormat pcmFormat(uint16_t channels, uint32_t rate)
{
    OrvaneWaveFormat f{};
    f.wFormatTag = 1;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.nAvgBytesPerSec = rate * channels * 2;
    f.nBlockAlign = static_cast<uint16_t>(channels * 2);
    f.wBitsPerSample = 16;
    return f;
}

inline uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
