#pragma once

#include "mp3/decoder/huffman_decoder.h"

namespace layer3 {

// Alias-reduction butterflies between line 17 - i of subband sb - 1 and line i of subband sb for
// the boundaries sb = 1 .. boundaries (mixed blocks: 1; long blocks: up to 31).
void reduceAliases(float x[kGranuleLines], int boundaries);

}  // namespace layer3
