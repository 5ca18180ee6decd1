#pragma once

namespace decoder {

// 32-point DCT-II, X[m] = sum_k x[k] cos(m (2k + 1) pi / 64), of one row (see lee_dct.h).
void dct32(const float* x, float* out);

}  // namespace decoder
