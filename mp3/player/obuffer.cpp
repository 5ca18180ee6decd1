#include "mp3/player/obuffer.h"

#include "platform/platform.h"

namespace {

constexpr char kCaption[] = "mp3.dll";

bool fftCanTake(int32_t n)
{
    return n >= 4 && n <= 32768 && (n & (n - 1)) == 0;
}

}  // namespace

uint32_t Obuffer::samplesPerFrame(int32_t layer, bool lowSampling)
{
    switch (layer) {
    case 1:
        return 384;
    case 2:
        return 1152;
    case 3:
        return lowSampling ? 576 : 1152;
    default:
        return 0;
    }
}

uint32_t Obuffer::blockBytes(uint32_t channels, int32_t bufferSize, int32_t layer, bool lowSampling)
{
    if (channels < 1 || channels > 2 || bufferSize < 1 || bufferSize > kMaxBufferSize)
        return 0;
    return channels * static_cast<uint32_t>(bufferSize) * samplesPerFrame(layer, lowSampling) * 2;
}

Obuffer::Obuffer(uint32_t channels, const ObufferConfig& config)
    : target_(config.target),
      sink_(config.sink),
      sinkContext_(config.sinkContext),
      pitch_(config.wave.pitch),
      speed_(config.wave.speed)
{
    blockBytes_ = blockBytes(channels, config.bufferSize, config.layer, config.lowSampling);
    const bool needsSpectrum = target_ != ObufferTarget::Sink;
    if (blockBytes_ == 0 || config.sampleRate <= 0 || (needsSpectrum && !fftCanTake(config.spectrumSize))) {
        if (needsSpectrum)
            platform::messageBox(kCaption, "output configuration error");
        blockBytes_ = 0;
        return;
    }
    channels_ = channels;
    sampleRate_ = config.sampleRate;
    bufferSize_ = config.bufferSize;
    spectrumSize_ = config.spectrumSize;
    blockSamples_ = blockBytes_ / 2;
    if (!assembler_.open(channels_, blockSamples_, bufferSize_))
        return;
    if (!setUpDestination(config))
        return;
    failed_ = false;
    open_ = true;
}

bool Obuffer::setUpDestination(const ObufferConfig& config)
{
    if (target_ == ObufferTarget::Sink)
        return true;
    bool ok = readouts_.open(spectrumSize_, channels_);
    WaveFeedSettings wave = config.wave;
    wave.playback = target_ == ObufferTarget::WaveOut;
    if (!wave_.open(wave, channels_, sampleRate_)) {
        if (wave_.handle() == 0)
            return false;
        ok = false;
    }
    if (target_ == ObufferTarget::Convert)
        ok = norv_.open(sampleRate_, blockSamples_) && ok;
    // The close of a failed set-up must not wait for an output thread that may not run.
    if (!ok)
        stopAtOnce_.store(true);
    return ok;
}

Obuffer::~Obuffer()
{
    close();
}

float* Obuffer::reserve32(uint32_t ch)
{
    return assembler_.reserve32(ch);
}

void Obuffer::put32(uint32_t ch, const float* samples)
{
    float* dst = reserve32(ch);
    if (dst == nullptr)
        return;
    for (uint32_t i = 0; i < 32; ++i)
        dst[i * channels_] = samples[i];
}

void Obuffer::frame(const float* const* pcm, uint32_t channels, uint32_t samples)
{
    if (channels != channels_ || !open_)
        return;
    assembler_.frame(pcm, samples, [this](uint32_t count) { sendBlock(count); });
}

void Obuffer::frameDone()
{
    if (open_ && assembler_.frameDone())
        sendBlock(blockSamples_);
}

void Obuffer::sendBlock(uint32_t count)
{
    if (sink_ != nullptr)
        sink_(sinkContext_, assembler_.block(), count, channels_);
    if (target_ == ObufferTarget::Convert) {
        norv_.send(assembler_.block(), count, channels_);
    } else if (target_ == ObufferTarget::WaveOut) {
        if (float* next = wave_.queue(assembler_.block(), blockSamples_, count))
            assembler_.swap(next);
    }
}

void Obuffer::requestStop()
{
    wave_.requestStop();
}

void Obuffer::flush()
{
    if (!open_)
        return;
    wave_.flush();
    assembler_.restart();
}

void Obuffer::close()
{
    if (!open_ && wave_.handle() == 0)
        return;
    const bool draining = !stopAtOnce_.load();
    if (open_ && draining) {
        const uint32_t frames = assembler_.pendingFrames();
        if (frames > 0)
            sendBlock(frames * channels_);
        assembler_.restart();
    }
    open_ = false;
    wave_.close(draining);
}

void Obuffer::pause(bool paused)
{
    wave_.pause(paused);
}

int32_t Obuffer::level(int32_t channel)
{
    return wave_.withHandle([&](int32_t h) { return readouts_.level(h, channel); });
}

int32_t Obuffer::waveform(int16_t* buffer, int32_t count)
{
    return wave_.withHandle([&](int32_t h) { return readouts_.waveform(h, buffer, count); });
}

int32_t Obuffer::spectrum(float* destination)
{
    return wave_.withHandle([&](int32_t h) { return readouts_.spectrum(h, destination); });
}

void Obuffer::setPitch(int32_t pitch)
{
    pitch_.store(pitch);
    wave_.setPitch(pitch);
}

void Obuffer::setSpeed(int32_t speed)
{
    speed_.store(speed);
    wave_.setSpeed(speed);
}
