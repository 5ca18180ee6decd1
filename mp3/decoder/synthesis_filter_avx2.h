#pragma once

// One synthesis run on the AVX2 path: the 32-point DCT of the subband samples in, the two new V
// rows (act in the active ring, oth in the other), and the window over the ring with newest slot p
// into out. Only for CPUs with AVX2 and FMA; see synthesis_filter.cpp for the row layout.
namespace decoder {

void synthesisRunAvx2(const float* in, float* act, float* oth, const float* window, const float* v, int p, float* out);

}  // namespace decoder
