#pragma once

#include "mp3/decoder/huffman_decoder.h"

namespace layer3 {

// Short blocks: rearranges each short band from window order (window 0's lines, then 1, then 2)
// into interleaved order (line j of windows 0, 1, 2 side by side) into out; mixed blocks keep the
// first 36 lines. Long blocks need no reordering (the caller uses the input as is).
void reorderShort(const float in[kGranuleLines], const BandTable& bands, bool mixed, float out[kGranuleLines]);

}  // namespace layer3
