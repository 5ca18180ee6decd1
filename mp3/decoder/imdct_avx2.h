#pragma once

#include "mp3/decoder/imdct.h"
#include "mp3/decoder/imdct_windows.h"

namespace layer3 {

// Long-block IMDCT, window and overlap-add of subbands sb .. sb + 7, one per AVX lane: the stages
// and products of the four-lane kernel without fused multiply-adds, so each subband comes out as
// there. Only called once the CPU check has found AVX2.
void longEightAvx2(const float* x, int blockType, int sb, SlotBlock& overlap, SlotBlock& out, const ImdctWindows& w);

}  // namespace layer3
