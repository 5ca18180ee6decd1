#pragma once

#include <cstdint>

// Frame header tables of ISO/IEC 11172-3 and ISO/IEC 13818-3, indexed [version][...] with
// version 0 = MPEG-2 (lower sampling frequencies) and 1 = MPEG-1.
namespace header_tables {

// Bit/s by version, layer - 1 and bitrate index; indices 0 (free format) and 15 hold 0.
inline constexpr int32_t kBitrates[2][3][16] = {
    {
        {0, 32000, 48000, 56000, 64000, 80000, 96000, 112000, 128000, 144000, 160000, 176000, 192000, 224000, 256000,
         0},
        {0, 8000, 16000, 24000, 32000, 40000, 48000, 56000, 64000, 80000, 96000, 112000, 128000, 144000, 160000, 0},
        {0, 8000, 16000, 24000, 32000, 40000, 48000, 56000, 64000, 80000, 96000, 112000, 128000, 144000, 160000, 0},
    },
    {
        {0, 32000, 64000, 96000, 128000, 160000, 192000, 224000, 256000, 288000, 320000, 352000, 384000, 416000, 448000,
         0},
        {0, 32000, 48000, 56000, 64000, 80000, 96000, 112000, 128000, 160000, 192000, 224000, 256000, 320000, 384000,
         0},
        {0, 32000, 40000, 48000, 56000, 64000, 80000, 96000, 112000, 128000, 160000, 192000, 224000, 256000, 320000, 0},
    },
};

// Hz by version and sampling frequency index.
inline constexpr int32_t kSampleRates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};

// PCM samples per channel in one frame by version and layer - 1.
inline constexpr int32_t kSamplesPerFrame[2][3] = {{384, 1152, 576}, {384, 1152, 1152}};

// Bytes of Layer III side information by version and (single channel ? 0 : 1).
inline constexpr int32_t kSideInfoBytes[2][2] = {{9, 17}, {17, 32}};

}  // namespace header_tables
