#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The tool's one conversion between float samples (full scale +-1.0) and stored PCM, and its one
// WAV header layout. Integers are scaled by 2^(bits-1) both ways, rounded to nearest (ties to
// even, as the decode interface's 16-bit reads round) and held to their range; NaN gives 0. A
// 16-bit sample read and written again is unchanged, and float samples decoded and written at 16
// bits are what OrvaneDecodeReadInt16 delivers.

enum class SampleFormat { Int16, Int24, Int32, Float32 };

// Bytes one sample takes.
uint32_t sampleBytes(SampleFormat format);
// "16-bit PCM", "24-bit PCM", "32-bit PCM", "32-bit float".
const char* sampleFormatName(SampleFormat format);

// count samples from src into dst, little-endian, count x sampleBytes(format) bytes.
void encodePcm(const float* src, uint8_t* dst, size_t count, SampleFormat format);
// count samples of bits-bit integers (8: unsigned, 16, 24, 32) or, with floating, 32-bit floats
// (non-finite values give 0), little-endian, into floats at dst.
void decodePcm(const uint8_t* src, float* dst, size_t count, uint32_t bits, bool floating);
// One 16-bit sample for a float, by the rule above.
int16_t pcm16Of(float v);

// The header of a WAV file of dataBytes of samples: the 44-byte plain PCM layout for 16-bit
// mono or stereo, otherwise WAVE_FORMAT_EXTENSIBLE (68 bytes) with the channels in speaker order
// from front left. Sizes too large for the format are held at their largest, which readers take
// as "to the end".
std::vector<uint8_t> wavHeader(uint32_t rate, uint32_t channels, SampleFormat format, uint64_t dataBytes);
