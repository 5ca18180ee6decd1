#include "tessor/audio_output.h"

#if defined(ORVANE_HAVE_PORTAUDIO)

#include <portaudio.h>

#include <vector>

namespace {

class DeviceOutput : public AudioOutput {
public:
    DeviceOutput(PaStream* stream, uint32_t channels, uint32_t framesPerBlock)
        : stream_(stream), channels_(channels), scaled_(static_cast<size_t>(framesPerBlock) * channels)
    {
    }
    ~DeviceOutput() override
    {
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
        Pa_Terminate();
    }

    void write(const float* samples, uint32_t frames) override
    {
        const size_t count = static_cast<size_t>(frames) * channels_;
        if (count > scaled_.size())
            scaled_.resize(count);
        // PortAudio takes floats at full scale 1.0.
        for (size_t i = 0; i < count; ++i)
            scaled_[i] = samples[i] * (1.0f / 32768.0f);
        Pa_WriteStream(stream_, scaled_.data(), frames);
    }

private:
    PaStream* stream_;
    uint32_t channels_;
    std::vector<float> scaled_;
};

}  // namespace

std::unique_ptr<AudioOutput> openDeviceOutput(int32_t device, const OutputFormat& format, std::string& error)
{
    PaError err = Pa_Initialize();
    if (err != paNoError) {
        error = Pa_GetErrorText(err);
        return nullptr;
    }
    const PaDeviceIndex index = device < 0 ? Pa_GetDefaultOutputDevice() : device;
    const PaDeviceInfo* info = index >= 0 && index < Pa_GetDeviceCount() ? Pa_GetDeviceInfo(index) : nullptr;
    if (info == nullptr || info->maxOutputChannels < static_cast<int>(format.channels)) {
        error = device < 0 ? "no default output device" : "no output device with that index";
        Pa_Terminate();
        return nullptr;
    }
    PaStreamParameters params{};
    params.device = index;
    params.channelCount = static_cast<int>(format.channels);
    params.sampleFormat = paFloat32;
    params.suggestedLatency = info->defaultHighOutputLatency;
    PaStream* stream = nullptr;
    err = Pa_OpenStream(&stream, nullptr, &params, format.rate, format.framesPerBlock, paClipOff, nullptr, nullptr);
    if (err == paNoError) {
        err = Pa_StartStream(stream);
        if (err != paNoError)
            Pa_CloseStream(stream);
    }
    if (err != paNoError) {
        error = Pa_GetErrorText(err);
        Pa_Terminate();
        return nullptr;
    }
    return std::make_unique<DeviceOutput>(stream, format.channels, format.framesPerBlock);
}

#else

std::unique_ptr<AudioOutput> openDeviceOutput(int32_t, const OutputFormat&, std::string& error)
{
    error = "built without PortAudio";
    return nullptr;
}

#endif
