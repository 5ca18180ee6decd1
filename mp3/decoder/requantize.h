#pragma once

#include <cstdint>

#include "mp3/decoder/huffman_decoder.h"
#include "mp3/decoder/power_table.h"
#include "mp3/decoder/scale_factors.h"
#include "mp3/decoder/vector_path.h"

// Requantisation: x = sign(is) |is|^(4/3) 2^((global_gain - 210) / 4) times the band's scale-factor gain.
namespace layer3 {

// sign(i) |i|^(4/3) for |i| <= kPowerTableMax.
const float* powerTable();  // indexable from -kPowerTableMax to kPowerTableMax
// 2^(-i/2) for i = 0..63.
const float* gainTable();

// Requantises lines 0..nonzero-1 of is into x (the rest of x becomes 0); the same on every path.
void requantize(const int32_t is[kGranuleLines], int nonzero, const GranuleInfo& g, const ScaleFactors& sf,
                const BandTable& bands, bool mpeg1, float x[kGranuleLines],
                decoder::VectorPath path = decoder::VectorPath::Plain);

}  // namespace layer3
