#pragma once

#include <cstdint>

#include "platform/platform.h"

// Chunk walking in RIFF files with ordinary file I/O: a chunk is a four-character code, a
// little-endian 32-bit size and that many bytes, padded to an even length.
namespace riff {

constexpr uint32_t fourcc(const char (&code)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(code[0]))
        | static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8
        | static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 16
        | static_cast<uint32_t>(static_cast<uint8_t>(code[3])) << 24;
}

inline uint32_t readLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16
        | static_cast<uint32_t>(p[3]) << 24;
}

inline uint16_t readLe16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline void writeLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void writeLe16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

struct Chunk {
    uint32_t id = 0;
    uint32_t size = 0;
    int64_t dataOffset = 0;  // file position of the chunk's first data byte
};

// From position 0: the RIFF chunk must be of form type "WAVE". Leaves the file just after the
// form type.
bool descendWaveForm(platform::WaveFile& file, Chunk& riffChunk);
// Searches from the current position for the chunk `id`, skipping others; stops at limit (a
// file position). Leaves the file at the chunk's first data byte.
bool findChunk(platform::WaveFile& file, uint32_t id, int64_t limit, Chunk& found);
// Moves past the end of the chunk, pad byte included.
bool ascend(platform::WaveFile& file, const Chunk& chunk);

}  // namespace riff
