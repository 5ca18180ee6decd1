#include "tessor/audio_output.h"

// windows.h first: mmsystem.h builds on its types.
#include <windows.h>

#include <mmsystem.h>

#include <cmath>
#include <vector>

namespace {

// The sound card through winmm's waveOut: a ring of blocks, each prepared once and queued again
// as soon as the device hands it back. The device signals an event whenever a block is done,
// so write() waits without spinning when every block is queued.
class WaveOutDevice : public AudioOutput {
public:
    WaveOutDevice(HWAVEOUT device, HANDLE done, const OutputFormat& format)
        : device_(device),
          done_(done),
          channels_(format.channels),
          frames_(format.framesPerBlock),
          headers_(format.blockCount < 2 ? 2 : format.blockCount),
          samples_(headers_.size())
    {
        for (size_t i = 0; i < headers_.size(); ++i) {
            samples_[i].assign(static_cast<size_t>(frames_) * channels_, 0);
            headers_[i] = WAVEHDR{};
            headers_[i].lpData = reinterpret_cast<LPSTR>(samples_[i].data());
            headers_[i].dwBufferLength = static_cast<DWORD>(samples_[i].size() * sizeof(int16_t));
            waveOutPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR));
            headers_[i].dwFlags |= WHDR_DONE;  // free to fill
        }
    }

    ~WaveOutDevice() override
    {
        waveOutReset(device_);  // hands every queued block back at once
        for (WAVEHDR& h : headers_)
            waveOutUnprepareHeader(device_, &h, sizeof(WAVEHDR));
        waveOutClose(device_);
        CloseHandle(done_);
    }

    void write(const float* samples, uint32_t frames) override
    {
        while (frames > 0) {
            const uint32_t n = frames < frames_ ? frames : frames_;
            queue(samples, n);
            samples += static_cast<size_t>(n) * channels_;
            frames -= n;
        }
    }

private:
    void queue(const float* samples, uint32_t frames)
    {
        WAVEHDR& h = headers_[next_];
        // The timeout only guards against a driver that never reports back.
        while ((h.dwFlags & WHDR_DONE) == 0)
            WaitForSingleObject(done_, 100);
        int16_t* dst = samples_[next_].data();
        const size_t count = static_cast<size_t>(frames) * channels_;
        for (size_t i = 0; i < count; ++i) {
            const float v = std::nearbyint(samples[i]);
            dst[i] = static_cast<int16_t>(v > 32767.0f ? 32767.0f : v < -32768.0f ? -32768.0f : v);
        }
        h.dwBufferLength = static_cast<DWORD>(count * sizeof(int16_t));
        h.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
        if (waveOutWrite(device_, &h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
            h.dwFlags |= WHDR_DONE;  // not queued: the block is free again
        next_ = (next_ + 1) % headers_.size();
    }

    HWAVEOUT device_;
    HANDLE done_;
    uint32_t channels_;
    uint32_t frames_;
    std::vector<WAVEHDR> headers_;
    std::vector<std::vector<int16_t>> samples_;
    size_t next_ = 0;
};

}  // namespace

std::unique_ptr<AudioOutput> openDeviceOutput(int32_t device, const OutputFormat& format, std::string& error)
{
    WAVEFORMATEX wf{};
    wf.wFormatTag = WAVE_FORMAT_PCM;
    wf.nChannels = static_cast<WORD>(format.channels);
    wf.nSamplesPerSec = format.rate;
    wf.wBitsPerSample = 16;
    wf.nBlockAlign = static_cast<WORD>(format.channels * 2);
    wf.nAvgBytesPerSec = format.rate * wf.nBlockAlign;
    const HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (done == nullptr) {
        error = "no event for the wave-out device";
        return nullptr;
    }
    HWAVEOUT wave = nullptr;
    const UINT id = device < 0 ? WAVE_MAPPER : static_cast<UINT>(device);
    const MMRESULT r = waveOutOpen(&wave, id, &wf, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) {
        char text[MAXERRORLENGTH] = {};
        waveOutGetErrorTextA(r, text, sizeof text);
        error = text[0] != '\0' ? text : "waveOutOpen failed";
        CloseHandle(done);
        return nullptr;
    }
    return std::make_unique<WaveOutDevice>(wave, done, format);
}

std::vector<OutputDevice> listOutputDevices()
{
    // The mapper's preferred device is the one -1 plays on.
    constexpr UINT kPreferredGet = 0x2015;  // DRVM_MAPPER_PREFERRED_GET
    DWORD preferred = DWORD(-1), flags = 0;
    if (waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)), kPreferredGet,
                       reinterpret_cast<DWORD_PTR>(&preferred), reinterpret_cast<DWORD_PTR>(&flags))
        != MMSYSERR_NOERROR)
        preferred = DWORD(-1);
    std::vector<OutputDevice> devices;
    const UINT count = waveOutGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        WAVEOUTCAPSW caps{};
        if (waveOutGetDevCapsW(i, &caps, sizeof caps) != MMSYSERR_NOERROR)
            continue;
        char name[4 * MAXPNAMELEN] = {};
        WideCharToMultiByte(CP_UTF8, 0, caps.szPname, -1, name, sizeof name, nullptr, nullptr);
        devices.push_back(OutputDevice{int32_t(i), name, i == preferred});
    }
    return devices;
}
