#pragma once

#include <cstdint>

#include "dsp/core/cpu_switches.h"

// Interleaved signed 16-bit PCM <-> per-channel float buffers (nominal full scale +-1.0).
// The float buffers must be 16-byte aligned: the vector kernels store to them whole.

// Converts srcBytes of PCM; stereo with null dstR down-mixes. Returns frames converted.
uint32_t pcm16ToFloat(const int16_t* src, uint32_t srcBytes, float* dstL, float* dstR, uint32_t channels);
// Clamps to +-1, scales by 32767 and truncates (plain); stereo with null srcR duplicates L.
// Returns bytes written: channels * frames * 2.
uint32_t floatToPcm16(const float* srcL, const float* srcR, uint32_t frames, int16_t* dst, uint32_t channels);
// Floats already in 16-bit scale to int16. Returns count * 2.
uint32_t pcmEncode(const float* src, int16_t* dst, uint32_t count);
void fastCopy(const void* src, void* dst, uint32_t bytes);

// The same conversions on an explicit path, for tests and for callers that pin a path.
uint32_t pcm16ToFloatOn(cpu::Path path, const int16_t* src, uint32_t srcBytes, float* dstL, float* dstR,
                        uint32_t channels);
uint32_t floatToPcm16On(cpu::Path path, const float* srcL, const float* srcR, uint32_t frames, int16_t* dst,
                        uint32_t channels);
uint32_t pcmEncodeOn(cpu::Path path, const float* src, int16_t* dst, uint32_t count);

// Vector kernels: each converts the leading run that fills whole blocks and returns how many
// frames (or values, for encode) it did; the caller runs the rest through the same kernel, padded.
namespace pcm_sse {
uint32_t toFloatMono(float* dst, const int16_t* src, uint32_t frames);
uint32_t toFloatStereo(float* dstL, float* dstR, const int16_t* src, uint32_t frames);
uint32_t toFloatDownmix(float* dst, const int16_t* src, uint32_t frames);
uint32_t fromFloatMono(int16_t* dst, const float* src, uint32_t frames);
uint32_t fromFloatStereo(int16_t* dst, const float* srcL, const float* srcR, uint32_t frames);
uint32_t encode(int16_t* dst, const float* src, uint32_t count);
}  // namespace pcm_sse

// The plain path's arithmetic in SSE2, equal to its scalar loops bit for bit.
namespace pcm_plain_sse {
uint32_t toFloatMono(float* dst, const int16_t* src, uint32_t frames);
uint32_t toFloatStereo(float* dstL, float* dstR, const int16_t* src, uint32_t frames);
uint32_t toFloatDownmix(float* dst, const int16_t* src, uint32_t frames);
uint32_t fromFloatMono(int16_t* dst, const float* src, uint32_t frames);
uint32_t fromFloatStereo(int16_t* dst, const float* srcL, const float* srcR, uint32_t frames);
uint32_t encode(int16_t* dst, const float* src, uint32_t count);
}  // namespace pcm_plain_sse

namespace pcm_3dnow {
uint32_t toFloatMono(float* dst, const int16_t* src, uint32_t frames);
uint32_t toFloatStereo(float* dstL, float* dstR, const int16_t* src, uint32_t frames);
uint32_t toFloatDownmix(float* dst, const int16_t* src, uint32_t frames);
uint32_t fromFloatMono(int16_t* dst, const float* src, uint32_t frames);
uint32_t fromFloatStereo(int16_t* dst, const float* srcL, const float* srcR, uint32_t frames);
uint32_t encode(int16_t* dst, const float* src, uint32_t count);
}  // namespace pcm_3dnow
