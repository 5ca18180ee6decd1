#pragma once

#include <atomic>

// Process-wide vector-path switches, all off at load. The host decides; nothing probes the CPU.
// 3DNow! wins over SSE when both are on; its kernels keep 3DNow!'s arithmetic (pairs of floats,
// truncating conversions) written with SSE.
namespace cpu {

enum class Path { Plain, Sse, ThreeDNow };

void enableMmx(bool on);
void enableSse(bool on);
void enable3dnow(bool on);
bool mmxOn();
bool sseOn();
bool threeDNowOn();

// The path every routine with vector variants takes now.
Path activePath();

}  // namespace cpu
