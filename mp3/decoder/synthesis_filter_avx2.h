#pragma once

#include <cstdint>

// Synthesis runs on the AVX2 path, one per row of 32 subband samples at in: the 32-point DCT,
// the two new V rows (in ring v[active] and v[active ^ 1] at slots ring and ring + 16) and the
// window over the ring into the next 32 samples of out; active and ring advance with every run. Only for CPUs
// with AVX2 and FMA; see synthesis_filter.cpp for the row layout.
namespace decoder {

void synthesisRunsAvx2(const float* in, int count, float (*v)[1024], int32_t& active, int32_t& ring,
                       const float* window, float* out);

}  // namespace decoder
