#pragma once

#include <atomic>
#include <cstdint>

#include "mp3/decoder/decoder_settings.h"

// Process-wide player settings, kept between plays, with their load-time defaults. Host threads
// write them through the exports at any time; the playback loop, the decoders and the output
// stage read them, so every value is atomic.
namespace player {

using SimdPath = decoder::VectorPath;

constexpr int kEqBands = decoder::kEqBands;

struct PlayerSettings {
    std::atomic<int32_t> waveOutDevice{-1};
    std::atomic<int32_t> bufferSize{12};     // frames per output block
    std::atomic<int32_t> spectrumSize{256};  // FFT and read-out size
    std::atomic<float> harmonics{0.3f};
    std::atomic<int32_t> pitch{0};
    std::atomic<int32_t> speed{0};
    std::atomic<bool> effectEnable{false};
    std::atomic<bool> enable48k{false};
    std::atomic<bool> eqEnable{false};
    std::atomic<bool> gapless{false};    // trim the encoder's delay and padding (Layer III)
    std::atomic<int32_t> replayGain{0};  // 0 off, 1 each file's track gain, 2 its album gain
    std::atomic<float> eqGains[kEqBands] = {};
};

PlayerSettings& settings();

// Sets one equaliser gain; bands outside 0..31 are ignored.
void setEqGain(int32_t band, float gain);
float eqGain(int32_t band);

// Master volume (16-bit full scale at 32768); 0 until first set, so a play before then is silent.
void setVolume(int32_t volume);
int32_t volume();

// The settings a decoder takes: the process's vector path, the volume and the equaliser now.
decoder::DecoderSettings decoderSettings();

}  // namespace player
