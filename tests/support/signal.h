#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Signal helpers shared by the tests: tones, noise, sweeps, measurements and conformance paths.
namespace testsig {

// Interleaved 16-bit sine: frames frames, channels channels, amplitude in 16-bit units.
std::vector<int16_t> sinePcm16(double freqHz, double rateHz, uint32_t frames, uint32_t channels = 1,
                               double amplitude = 16000.0);
std::vector<float> sine(double freqHz, double rateHz, uint32_t frames, double amplitude = 1.0, double phase = 0.0);
// Uniform noise in [-amplitude, amplitude], seeded.
std::vector<int16_t> noisePcm16(uint32_t samples, uint32_t seed, int16_t amplitude = 32767);
std::vector<float> noise(uint32_t samples, uint32_t seed, float amplitude = 1.0f);

double rms(const float* x, size_t n);
double rmsPcm16(const int16_t* x, size_t n, size_t stride = 1);
// Magnitude of x at freqHz (single-bin DFT), normalised so a unit sine reads 1.0.
double toneAmplitude(const float* x, size_t n, double freqHz, double rateHz);
double toneAmplitudePcm16(const int16_t* x, size_t n, double freqHz, double rateHz, size_t stride = 1);
// Frequency of the strongest component by zero-padded DFT peak search, refined by parabolic interpolation.
double dominantFrequency(const float* x, size_t n, double rateHz);

// A canonical 44-byte-header WAV of 16-bit PCM, written without the library; false on I/O failure.
bool writeWavPcm16(const std::string& path, const std::vector<int16_t>& samples, uint32_t channels, uint32_t rate);
// Samples of a 16-bit PCM WAV (any chunks before "data" skipped); empty when it is not one.
std::vector<int16_t> readWavPcm16(const std::string& path, uint32_t* channels = nullptr, uint32_t* rate = nullptr);

// Folder of the conformance streams, or empty when it is missing.
std::string conformanceDir();
std::vector<uint8_t> readFile(const std::string& path);
// Writes bytes to path, replacing what was there.
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string tempPath(const std::string& name);

}  // namespace testsig

// Skips the current test with a message when the conformance folder is missing.
#define SKIP_WITHOUT_CONFORMANCE()                                                                                     \
    do {                                                                                                               \
        if (testsig::conformanceDir().empty())                                                                         \
            GTEST_SKIP() << "conformance streams not found at " ORVANE_CONFORMANCE_DIR;                                \
    } while (0)
