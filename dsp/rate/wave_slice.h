#pragma once

#include <cstdint>

#include "dsp/core/dsp_effect.h"
#include "dsp/rate/slice_detector.h"

// Cuts a stream into slices at its attacks. It produces no audio: the chain operations do
// nothing; doWaveSlice feeds it (stereo is mixed down) and getWaveSlice reads the slices.
class WaveSlice : public DspEffect {
public:
    WaveSlice() { type = EffectType::WaveSlice; }

    // Levels in dB on the +-1 scale, the rise in percent of full scale, the shortest slice in s.
    void setup(uint32_t frames, uint32_t channels, uint32_t sampleRate, float onDb, float offDb, float risePercent,
               float minSeconds);
    // Follows one interleaved block. False, touching nothing, for a block larger than set up for.
    bool slicePcm16(const int16_t* src, uint32_t bytes);

    uint32_t processChannel(uint32_t, const float*, float*, uint32_t) override { return 0; }
    uint32_t process(const float*, const float*, float*, float*, uint32_t) override { return 0; }
    uint32_t processPcm16(const int16_t*, int16_t*, uint32_t) override { return 0; }

    SliceDetector detector;
};
