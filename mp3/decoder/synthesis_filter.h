#pragma once

#include <cstdint>

#include "mp3/decoder/decoder_settings.h"
#include "mp3/decoder/synthesis_window.h"

// Subband synthesis of one output channel: each run turns the 32 subband samples set through
// samples() into 32 PCM samples, with the volume folded into the filter's own window. The
// standard's 1024-value V vector is kept as two 512-float rings of 16 slots x 32 rows used
// alternately, so each run stores two contiguous rows of 32 and windows 16 taps per sample.
class SynthesisFilter {
public:
    SynthesisFilter();
    SynthesisFilter(const SynthesisFilter&) = delete;
    SynthesisFilter& operator=(const SynthesisFilter&) = delete;

    // Zeroes the history and the inputs; ring position back to 15 (after a seek).
    void reset();
    // Kernel path and output volume of the next runs (plain and 32768 until first set); the
    // window is rebuilt only when the volume changes.
    void configure(decoder::VectorPath path, float volume);

    // Inputs of the next run: element k is the sample of subband k.
    float* samples() { return samples_; }
    // Synthesises 32 consecutive samples into out (out may be null: the state still advances).
    void run(float* out);
    // count runs, one per row of 32 subband samples at in (rows one after another), into count x
    // 32 samples at out (null: the state still advances).
    void runRows(const float* in, int count, float* out);

    int32_t ringPosition() const { return ring_; }

private:
    // Each row is stored twice, at slot s and s + 16, so the AVX2 window reads the 16 slots
    // newest first without wrapping; the other paths read the first copy.
    alignas(32) float v_[2][2 * decoder::kVolumeWindowSize];
    decoder::VolumeWindow window_;
    alignas(32) float samples_[32] = {};
    float volume_ = 32768.0f;
    decoder::VectorPath path_ = decoder::VectorPath::Plain;
    int32_t active_ = 0;
    int32_t ring_ = 15;
};
