#include <utility>
#include <vector>

#include "orvane/dsp.h"
#include "tessor/audio_output.h"
#include "tessor/dsp_handle.h"
#include "tessor/real_time_pacer.h"

namespace {

class CaptureOutput : public AudioOutput {
public:
    CaptureOutput(DspHandle<termWavefileOut> file, bool fast, const OutputFormat& format)
        : file_(std::move(file)),
          fast_(fast),
          channels_(format.channels),
          pacer_(format.rate),
          pcm_(static_cast<size_t>(format.framesPerBlock) * format.channels)
    { }

    void write(const float* samples, uint32_t frames) override
    {
        const uint32_t count = frames * channels_;
        if (count > pcm_.size())
            pcm_.resize(count);
        dspPcmEncode(samples, pcm_.data(), count);
        writeWavefileOut(file_.get(), pcm_.data(), static_cast<int32_t>(count * 2));
        if (!fast_)
            pacer_.advance(frames);
    }
    void restart() override { pacer_.restart(); }

private:
    DspHandle<termWavefileOut> file_;
    bool fast_;
    uint32_t channels_;
    RealTimePacer pacer_;
    std::vector<int16_t> pcm_;
};

}  // namespace

std::unique_ptr<AudioOutput> openCaptureOutput(const std::string& path, bool fast, const OutputFormat& format)
{
    OrvaneWaveFormat wf{};
    wf.wFormatTag = 1;
    wf.nChannels = static_cast<uint16_t>(format.channels);
    wf.nSamplesPerSec = format.rate;
    wf.nBlockAlign = static_cast<uint16_t>(format.channels * 2);
    wf.nAvgBytesPerSec = format.rate * wf.nBlockAlign;
    wf.wBitsPerSample = 16;
    DspHandle<termWavefileOut> file(initWavefileOut(path.c_str(), &wf));
    if (file == nullptr)
        return nullptr;
    return std::make_unique<CaptureOutput>(std::move(file), fast, format);
}
