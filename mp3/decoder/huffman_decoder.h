#pragma once

#include <cstdint>

#include "mp3/decoder/huffman_tables.h"
#include "mp3/decoder/scalefactor_band_tables.h"
#include "mp3/decoder/side_info.h"
#include "mp3/stream/bit_reader.h"

// Huffman decoding of one granule and channel's 576 quantised spectral values.
namespace layer3 {

constexpr int kGranuleLines = 576;

// Decodes the channel's spectrum into is[576] from the reader's position (just after the scale
// factors) up to endBit = part2 start + part2_3_length. Leaves the reader at endBit.
// Returns the count of leading lines that may be non-zero (the rest are 0).
int decodeSpectrum(BitReader& bits, const GranuleInfo& g, const BandTable& bands, int endBit,
                   int32_t is[kGranuleLines]);

}  // namespace layer3
