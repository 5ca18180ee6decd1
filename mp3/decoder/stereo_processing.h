#pragma once

#include "mp3/decoder/huffman_decoder.h"
#include "mp3/decoder/scale_factors.h"

// Joint-stereo processing of one granule: mid/side and intensity stereo (MPEG-1 and MPEG-2).
namespace layer3 {

// The MPEG-1 position that means "not intensity coded" (so do all larger ones).
constexpr int kNotIntensity = 7;

struct StereoInput {
    const FrameFormat* format;
    const GranuleInfo* right;          // the right channel's granule info (block kind, scalefac_compress)
    const ScaleFactors* rightFactors;  // intensity positions
    const BandTable* bands;
};

// Works in place on left and right (576 lines each). rightNonzero: lines from there up are zero in
// the right channel. Returns how many leading lines of either channel may be non-zero.
int processStereo(const StereoInput& in, float* left, float* right, int leftNonzero, int rightNonzero);

}  // namespace layer3
