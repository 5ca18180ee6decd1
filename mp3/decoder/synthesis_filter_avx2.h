#pragma once

#include <cstdint>

// Synthesis runs on the AVX2 path, one per row of 32 subband samples at in, in one pass over
// batches of up to eight rows: their 32-point DCTs side by side (one row per lane, the same bits
// as dct32), then per row the two new V rows (in ring v[active] and v[active ^ 1] at slots ring
// and ring + 16) and the window over the ring into the next 32 samples of out; active and ring
// advance with every row. The output does not depend on how rows are split into calls. Only for
// CPUs with AVX2 and FMA; see synthesis_filter.cpp for the row layout.
namespace decoder {

void synthesisRunsAvx2(const float* in, int count, float (*v)[1024], int32_t& active, int32_t& ring,
                       const float* window, float* out);

}  // namespace decoder
