#pragma once

#include "mp3/decoder/decoder_settings.h"
#include "mp3/decoder/huffman_decoder.h"

// Second stage of the hybrid filterbank: IMDCT per subband, windowing, overlap-add.
namespace layer3 {

using Path = decoder::VectorPath;

constexpr int kSubbands = 32;
constexpr int kSlots = 18;

// Output and overlap memory are slot-major ([time slot][subband]), the order synthesis takes.
using SlotBlock = float[kSlots][kSubbands];

// Transforms subbands 0..31 of x (18 lines each): subbands 0 and 1 of a mixed block (any block
// type with the mixed flag) use the normal long window, the rest blockType's window. Subbands from activeSubbands up must be zero
// in x; they only release their overlap. The new overlap replaces the old.
void hybridTransform(Path path, const float x[kGranuleLines], int blockType, bool mixed, int activeSubbands,
                     SlotBlock& overlap, SlotBlock& out);

// Negates the odd time slots of the odd subbands.
void invertFrequencies(SlotBlock& out);

// Reference kernels for one subband, exposed for tests: input 18 lines, output y[36] (windowed,
// before overlap-add).
void imdctLongWindowed(const float* x, int blockType, float y[36]);
void imdctShortWindowed(const float* x, float y[36]);

}  // namespace layer3
