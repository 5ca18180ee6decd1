#pragma once

#include "mp3/decoder/side_info.h"
#include "mp3/stream/bit_reader.h"

// Layer III scale factors of one granule and channel.
namespace layer3 {

struct ScaleFactors {
    int l[23] = {};     // long bands 0..21 (22 stays 0)
    int s[3][13] = {};  // [window][short band 0..12]
};

// Number of long bands in the long part of a mixed block: those that end by line 36.
int mixedLongBands(bool mpeg1);

// MPEG-1: reads the scale factors; in granule 1, groups with scfsi set keep granule 0's values.
void readScaleFactorsMpeg1(BitReader& bits, const GranuleInfo& g, const int scfsi[4], int granule, ScaleFactors& sf);

// MPEG-2: reads the scale factors; intensityRight selects the intensity-stereo partition rows
// (right channel of a frame with intensity stereo). Sets g.preflag when the row asks for it.
void readScaleFactorsMpeg2(BitReader& bits, GranuleInfo& g, bool intensityRight, ScaleFactors& sf);

}  // namespace layer3
