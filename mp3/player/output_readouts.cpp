#include "mp3/player/output_readouts.h"

#include "orvane/dsp.h"
#include "orvane/tessor.h"
#include "platform/platform.h"

OutputReadouts::~OutputReadouts()
{
    if (fft_ != nullptr)
        termFft(fft_);
    fastmemFree(spectrumInput_);
}

bool OutputReadouts::open(int32_t spectrumSize, uint32_t channels)
{
    channels_ = channels;
    spectrumSize_ = spectrumSize;
    fft_ = initFft(static_cast<uint32_t>(spectrumSize), channels, 2, 120);
    if (fft_ == nullptr)
        platform::messageBox("mp3.dll", "initialize FFT error");
    spectrumInput_ = static_cast<int16_t*>(fastmemAlloc(static_cast<uint32_t>(spectrumSize) * channels * 2));
    return fft_ != nullptr && spectrumInput_ != nullptr;
}

int32_t OutputReadouts::level(int32_t handle, int32_t channel) const
{
    if (handle == 0 || channel < 0 || channel > 1)
        return 0;
    int16_t pair[2] = {0, 0};
    getCurrentLevelWaveOut(handle, pair);
    return channels_ == 1 ? pair[0] : pair[channel];
}

int32_t OutputReadouts::waveform(int32_t handle, int16_t* buffer, int32_t count) const
{
    if (handle == 0 || getCurrentWaveformWaveOut(handle, buffer, count) == 0)
        return 0;
    return count * static_cast<int32_t>(channels_);
}

int32_t OutputReadouts::spectrum(int32_t handle, float* destination)
{
    if (handle == 0 || fft_ == nullptr || spectrumInput_ == nullptr || destination == nullptr
        || getCurrentWaveformWaveOut(handle, spectrumInput_, spectrumSize_) == 0)
        return 0;
    return doFft(fft_, spectrumInput_, destination, channels_ * static_cast<uint32_t>(spectrumSize_) * 2);
}
