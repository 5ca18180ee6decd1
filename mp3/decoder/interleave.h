#pragma once

#include <cstdint>

namespace decoder {

// Writes samples frames of left and right side by side into out (2 x samples floats): a frame's
// two channels as one stereo stream.
void interleaveStereo(const float* left, const float* right, float* out, uint32_t samples);

}  // namespace decoder
