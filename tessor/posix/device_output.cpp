#include "tessor/audio_output.h"

#if defined(ORVANE_HAVE_PORTAUDIO)

#include <portaudio.h>

#include <vector>

#include "platform/platform.h"

namespace {

// PortAudio's functions, bound on the first device open: programs that never play load neither it
// nor the sound systems behind it (ALSA, JACK).
struct PortAudio {
    decltype(&Pa_Initialize) initialize;
    decltype(&Pa_Terminate) terminate;
    decltype(&Pa_GetErrorText) errorText;
    decltype(&Pa_GetDefaultOutputDevice) defaultOutputDevice;
    decltype(&Pa_GetDeviceCount) deviceCount;
    decltype(&Pa_GetDeviceInfo) deviceInfo;
    decltype(&Pa_OpenStream) openStream;
    decltype(&Pa_StartStream) startStream;
    decltype(&Pa_AbortStream) abortStream;
    decltype(&Pa_CloseStream) closeStream;
    decltype(&Pa_WriteStream) writeStream;
};

constexpr char kLibrary[] = "libportaudio.so.2";

template<class Function> bool bind(void* library, const char* name, Function& f)
{
    f = reinterpret_cast<Function>(platform::librarySymbol(library, name));
    return f != nullptr;
}

const PortAudio* loadPortAudio()
{
    static PortAudio pa{};
    void* lib = platform::loadLibrary(kLibrary);
    const bool ok = bind(lib, "Pa_Initialize", pa.initialize) && bind(lib, "Pa_Terminate", pa.terminate)
        && bind(lib, "Pa_GetErrorText", pa.errorText) && bind(lib, "Pa_GetDefaultOutputDevice", pa.defaultOutputDevice)
        && bind(lib, "Pa_GetDeviceCount", pa.deviceCount) && bind(lib, "Pa_GetDeviceInfo", pa.deviceInfo)
        && bind(lib, "Pa_OpenStream", pa.openStream) && bind(lib, "Pa_StartStream", pa.startStream)
        && bind(lib, "Pa_AbortStream", pa.abortStream) && bind(lib, "Pa_CloseStream", pa.closeStream)
        && bind(lib, "Pa_WriteStream", pa.writeStream);
    return ok ? &pa : nullptr;
}

// Null when the library or one of its functions is missing. Bound once, on any thread.
const PortAudio* portAudio()
{
    static const PortAudio* const pa = loadPortAudio();
    return pa;
}

class DeviceOutput : public AudioOutput {
public:
    DeviceOutput(const PortAudio& pa, PaStream* stream, uint32_t channels, uint32_t framesPerBlock)
        : pa_(pa), stream_(stream), channels_(channels), scaled_(static_cast<size_t>(framesPerBlock) * channels)
    { }
    ~DeviceOutput() override
    {
        pa_.abortStream(stream_);
        pa_.closeStream(stream_);
        pa_.terminate();
    }

    void write(const float* samples, uint32_t frames) override
    {
        const size_t count = static_cast<size_t>(frames) * channels_;
        if (count > scaled_.size())
            scaled_.resize(count);
        // PortAudio takes floats at full scale 1.0.
        for (size_t i = 0; i < count; ++i)
            scaled_[i] = samples[i] * (1.0f / 32768.0f);
        pa_.writeStream(stream_, scaled_.data(), frames);
    }

private:
    const PortAudio& pa_;
    PaStream* stream_;
    uint32_t channels_;
    std::vector<float> scaled_;
};

}  // namespace

std::unique_ptr<AudioOutput> openDeviceOutput(int32_t device, const OutputFormat& format, std::string& error)
{
    const PortAudio* pa = portAudio();
    if (pa == nullptr) {
        error = std::string("cannot load ") + kLibrary;
        return nullptr;
    }
    PaError err = pa->initialize();
    if (err != paNoError) {
        error = pa->errorText(err);
        return nullptr;
    }
    const PaDeviceIndex index = device < 0 ? pa->defaultOutputDevice() : device;
    const PaDeviceInfo* info = index >= 0 && index < pa->deviceCount() ? pa->deviceInfo(index) : nullptr;
    if (info == nullptr || info->maxOutputChannels < static_cast<int>(format.channels)) {
        error = device < 0 ? "no default output device" : "no output device with that index";
        pa->terminate();
        return nullptr;
    }
    PaStreamParameters params{};
    params.device = index;
    params.channelCount = static_cast<int>(format.channels);
    params.sampleFormat = paFloat32;
    params.suggestedLatency = info->defaultHighOutputLatency;
    PaStream* stream = nullptr;
    err = pa->openStream(&stream, nullptr, &params, format.rate, format.framesPerBlock, paClipOff, nullptr, nullptr);
    if (err == paNoError) {
        err = pa->startStream(stream);
        if (err != paNoError)
            pa->closeStream(stream);
    }
    if (err != paNoError) {
        error = pa->errorText(err);
        pa->terminate();
        return nullptr;
    }
    return std::make_unique<DeviceOutput>(*pa, stream, format.channels, format.framesPerBlock);
}

std::vector<OutputDevice> listOutputDevices()
{
    std::vector<OutputDevice> devices;
    const PortAudio* pa = portAudio();
    if (pa == nullptr || pa->initialize() != paNoError)
        return devices;
    const PaDeviceIndex fallback = pa->defaultOutputDevice();
    for (PaDeviceIndex i = 0; i < pa->deviceCount(); ++i) {
        const PaDeviceInfo* info = pa->deviceInfo(i);
        if (info != nullptr && info->maxOutputChannels > 0)
            devices.push_back(OutputDevice{i, info->name != nullptr ? info->name : "", i == fallback});
    }
    pa->terminate();
    return devices;
}

#else

std::unique_ptr<AudioOutput> openDeviceOutput(int32_t, const OutputFormat&, std::string& error)
{
    error = "built without PortAudio";
    return nullptr;
}

std::vector<OutputDevice> listOutputDevices()
{
    return {};
}

#endif
