#pragma once

#include <cstdint>
#include <vector>

#include "tools/audio_file.h"

// An input read as interleaved 16-bit PCM, for the library's 16-bit analysis exports: samples
// rounded and held to full scale, so 16-bit WAV input comes through unchanged.
class Pcm16Input {
public:
    explicit Pcm16Input(AudioReader& in) : in_(in) { }
    // Up to frames frames into out; the frames read, 0 at the end, -1 on a read error.
    int64_t read(int16_t* out, uint32_t frames);

private:
    AudioReader& in_;
    std::vector<float> block_;
};
