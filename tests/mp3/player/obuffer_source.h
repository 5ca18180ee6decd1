#pragma once

#include <cstdint>
#include <vector>

#include "mp3/player/obuffer.h"

// A synthetic frame source for the output stage: the n-th sample of the stream (in interleaved
// order) is value(n), an integer in the 16-bit range, so it survives conversion exactly.
namespace obuffer_test {

inline float value(uint64_t n)
{
    return static_cast<float>(static_cast<int64_t>(n % 20011) - 10005);
}

// Writes one frame of samplesPerChannel samples per channel, then ends it.
inline void writeFrame(Obuffer& out, uint32_t samplesPerChannel, uint64_t& next)
{
    float chunk[2][32];
    const uint32_t channels = out.channels();
    for (uint32_t run = 0; run < samplesPerChannel / 32; ++run) {
        for (uint32_t i = 0; i < 32; ++i)
            for (uint32_t c = 0; c < channels; ++c)
                chunk[c][i] = value(next++);
        for (uint32_t c = 0; c < channels; ++c)
            out.put32(c, chunk[c]);
    }
    out.frameDone();
}

}  // namespace obuffer_test
