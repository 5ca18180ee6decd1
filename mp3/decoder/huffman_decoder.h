#pragma once

#include <cstdint>

#include "mp3/decoder/bit_reservoir.h"
#include "mp3/decoder/huffman_tables.h"
#include "mp3/decoder/scalefactor_band_tables.h"
#include "mp3/decoder/side_info.h"

// Huffman decoding of one granule and channel's 576 quantised spectral values.
namespace layer3 {

constexpr int kGranuleLines = 576;

// Decodes the channel's spectrum into is[576] from the reservoir's current position (just after
// the scale factors) up to endBit = part2 start + part2_3_length. Leaves the reservoir at endBit.
// Returns the count of leading lines that may be non-zero (the rest are 0).
int decodeSpectrum(BitReservoir& bits, const GranuleInfo& g, const BandTable& bands, int endBit,
                   int32_t is[kGranuleLines]);

}  // namespace layer3
