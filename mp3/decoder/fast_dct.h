#pragma once

namespace decoder {

// 32-point DCT-II, X[m] = sum_k x[k] cos(m (2k + 1) pi / 64), by Lee's recursive split: the sums
// and the scaled differences of mirrored inputs give the even and odd outputs from two half-size
// transforms.
void dct32(const float* x, float* out);
// The same transform: one split step, then the halves as matrix products with fused multiply-adds;
// only for CPUs with AVX2 and FMA.
void dct32Avx2(const float* x, float* out);

}  // namespace decoder
