#pragma once

namespace decoder {

// Which set of kernels the synthesis and the hybrid filterbank use. Every path gives the same
// output up to single-precision rounding; Plain is the reference. Avx2 uses AVX2 and FMA.
enum class VectorPath { Plain, Sse, ThreeDNow, Avx2 };

// True when this CPU can run the path (Plain, Sse and ThreeDNow everywhere on x86-64).
bool vectorPathSupported(VectorPath path);
// The path itself when supported, else the SSE path it stands in for.
VectorPath usableVectorPath(VectorPath path);
// The fastest path this CPU supports.
VectorPath bestVectorPath();

}  // namespace decoder
