#pragma once

#include <cstdint>

namespace decoder {

// A Layer II quantisation class: levels, whether three samples share one grouped codeword, the
// bits of one codeword (grouped) or one sample (ungrouped), and the requantisation constants.
struct QuantClass {
    int32_t levels;
    bool grouped;
    int32_t bits;
    float c;
    float d;
};

constexpr int kQuantClassCount = 17;
extern const QuantClass kQuantClasses[kQuantClassCount];

// Allocation row of one subband: nbal bits of allocation, and for allocation a = 1..2^nbal - 1
// the quantisation class classes[a - 1]. Allocation 0 means no samples.
struct AllocRow {
    int32_t nbal;
    uint8_t classes[15];
};

// One Layer II allocation table: the coded subband count and each subband's row.
struct AllocTable {
    int32_t sblimit;
    const AllocRow* rows[32];
};

// Tables of MPEG-1: 27 and 30 subbands at medium and high bitrates, 8 and 12 at low bitrates;
// and the single table of the MPEG-2 lower sampling frequencies (30 subbands).
extern const AllocTable kAllocTableMpeg1Sb27;
extern const AllocTable kAllocTableMpeg1Sb30;
extern const AllocTable kAllocTableMpeg1Sb8;
extern const AllocTable kAllocTableMpeg1Sb12;
extern const AllocTable kAllocTableMpeg2;

// The table for a frame: version 1 = MPEG-1, 0 = MPEG-2; bitrateIndex 1..14; mode 3 = single
// channel; sampleRateIndex 0..2. An index outside these ranges still selects some table.
const AllocTable& layer2AllocTable(int32_t version, int32_t bitrateIndex, int32_t mode, int32_t sampleRateIndex);

}  // namespace decoder
