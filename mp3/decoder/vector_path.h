#pragma once

namespace decoder {

// Which set of kernels the synthesis and the hybrid filterbank use. Every path gives the same
// output up to single-precision rounding; Plain is the reference. Avx2 uses AVX2 and FMA. The
// values are libdsp's path numbers (dspGetVectorPath).
enum class VectorPath { Plain = 0, Sse = 1, ThreeDNow = 2, Avx2 = 3 };

// The process-wide choice now (libdsp's switches, which the OrvaneEnable* exports set): what the
// owners of decoders (decode handles, the player) hand them. A decoder itself reads no globals.
VectorPath processVectorPath();
// True when this CPU can run the path (Plain, Sse and ThreeDNow everywhere on x86).
bool vectorPathSupported(VectorPath path);
// The path itself when supported, else the SSE path it stands in for.
VectorPath usableVectorPath(VectorPath path);

}  // namespace decoder
