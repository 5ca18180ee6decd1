#include "mp3/decoder/frame_synthesis.h"

FrameSynthesis::FrameSynthesis(int channels) : channels_(std::clamp(channels, 1, 2)) { }

void FrameSynthesis::setChannels(int channels)
{
    channels = std::clamp(channels, 1, 2);
    if (channels > channels_)
        filters_[1].reset();
    channels_ = channels;
}

void FrameSynthesis::configure(const decoder::DecoderSettings& settings)
{
    path_ = settings.path;
    for (SynthesisFilter& f : filters_)
        f.configure(settings.path, settings.volume);
}

void FrameSynthesis::run(int ch)
{
    if (ch < 0 || ch >= channels_)
        return;
    uint32_t& n = written_[ch];
    if (n + 32 > kMaxSamples) {
        filters_[ch].run(nullptr);
        return;
    }
    filters_[ch].run(pcm_[ch] + n);
    n += 32;
}

void FrameSynthesis::runRows(int ch, const float* in, int count)
{
    if (ch < 0 || ch >= channels_ || count <= 0)
        return;
    uint32_t& n = written_[ch];
    const int fit = std::min(count, static_cast<int>((kMaxSamples - std::min(n, kMaxSamples)) / 32));
    filters_[ch].runRows(in, fit, pcm_[ch] + n);
    n += 32 * static_cast<uint32_t>(fit);
    if (fit < count)
        filters_[ch].runRows(in + 32 * fit, count - fit, nullptr);
}

void FrameSynthesis::emit(decoder::PcmSink& sink)
{
    const uint32_t n = samples();
    for (int ch = 0; ch < channels_; ++ch)
        std::fill(pcm_[ch] + written_[ch], pcm_[ch] + n, 0.0f);
    const float* channels[2] = {pcm_[0], pcm_[1]};
    sink.frame(channels, static_cast<uint32_t>(channels_), samples());
}

void FrameSynthesis::reset()
{
    for (SynthesisFilter& f : filters_)
        f.reset();
    begin();
}
