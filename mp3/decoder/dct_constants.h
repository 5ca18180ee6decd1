#pragma once

namespace decoder {

// The 31 factors 1 / (2 cos((2k + 1) pi / (2N))) of the recursive 32-point DCT: N = 32 (k = 0..15)
// at offset 0, then N = 16 at 16, N = 8 at 24, N = 4 at 28 and N = 2 at 30. Worked out by the
// compiler.
constexpr int kDctConstantCount = 31;
const float* dctConstants();

}  // namespace decoder
