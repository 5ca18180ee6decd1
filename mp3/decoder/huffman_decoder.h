#pragma once

#include <cstdint>

#include "mp3/decoder/bit_reservoir.h"
#include "mp3/decoder/huffman_tables.h"
#include "mp3/decoder/scalefactor_band_tables.h"
#include "mp3/decoder/side_info.h"

// Huffman decoding of one granule and channel's 576 quantised spectral values.
namespace layer3 {

constexpr int kGranuleLines = 576;

// Decodes one (x, y) pair, or for count1 tables the (v, w, x, y) quadruple into x and y's
// places as v, w, x, y of out[0..3], with linbits and sign bits. A code that reaches no leaf in
// 32 bits is corrupt: the values are left as they were and false is returned.
bool decodePair(BitReservoir& bits, const HuffmanTable& table, int& x, int& y);
bool decodeQuad(BitReservoir& bits, const HuffmanTable& table, int out[4]);

// Decodes the channel's spectrum into is[576] from the reservoir's current position (just after
// the scale factors) up to endBit = part2 start + part2_3_length. Leaves the reservoir at endBit.
// Returns the count of leading lines that may be non-zero (the rest are 0).
int decodeSpectrum(BitReservoir& bits, const GranuleInfo& g, const BandTable& bands, int endBit,
                   int32_t is[kGranuleLines]);

}  // namespace layer3
