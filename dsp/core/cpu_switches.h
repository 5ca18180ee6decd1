#pragma once

// The process-wide vector-path choice: one CPU probe and one set of switches, read by every
// routine with vector variants in both libraries (libmp3 reaches them through dsp.h). At load the
// switches stand for the best path the CPU has: SSE on, AVX2 on (taken only where the CPU has AVX2
// and FMA), 3DNow! off. A change applies to what runs after it. 3DNow! wins over AVX2, AVX2 over
// SSE; 3DNow!'s kernels keep its arithmetic (pairs of floats, truncating conversions) written with
// SSE. The numbering is that of dspGetVectorPath.
namespace cpu {

enum class Path { Plain = 0, Sse = 1, ThreeDNow = 2, Avx2 = 3 };

// True when the CPU has AVX2 and FMA (probed once).
bool hasAvx2Fma();
// True when this CPU can run path: every path but Avx2 runs everywhere on x86.
bool supported(Path path);

void enableMmx(bool on);
void enableSse(bool on);
void enable3dnow(bool on);
void enableAvx2(bool on);
bool mmxOn();
bool sseOn();
bool threeDNowOn();
bool avx2On();

// The path every routine with vector variants takes now.
Path activePath();

}  // namespace cpu
