#pragma once

#include <cstdint>

// The read-outs of what the wave output plays now: levels, the waveform and its dB spectrum
// (through libdsp's FFT). The caller hands in the wave-out handle and keeps it alive during a call.
class OutputReadouts {
public:
    OutputReadouts() = default;
    ~OutputReadouts();
    OutputReadouts(const OutputReadouts&) = delete;
    OutputReadouts& operator=(const OutputReadouts&) = delete;

    // Sets up the FFT and its input for spectrumSize frames of channels channels; false (after the
    // "initialize FFT error" message) when the FFT cannot be set up or the input not had.
    bool open(int32_t spectrumSize, uint32_t channels);
    // Peak level now playing of channel 0 or 1 (a mono output answers 1 with its only level); 0
    // for another channel or no handle.
    int32_t level(int32_t handle, int32_t channel) const;
    // count frames of the 16-bit samples now playing into buffer; count x channels, 0 on failure.
    int32_t waveform(int32_t handle, int16_t* buffer, int32_t count) const;
    // dB spectrum of the samples now playing (channel 1 after channel 0); values per spectrum, 0 on failure.
    int32_t spectrum(int32_t handle, float* destination);

private:
    uint32_t channels_ = 0;
    int32_t spectrumSize_ = 0;
    int16_t* spectrumInput_ = nullptr;
    void* fft_ = nullptr;
};
