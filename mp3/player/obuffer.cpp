#include "mp3/player/obuffer.h"

#include <xmmintrin.h>

#include <algorithm>

#include "mp3/player/pcm_rounding.h"
#include "mp3/player/player_settings.h"
#include "orvane/dsp.h"
#include "orvane/norv.h"
#include "orvane/tessor.h"
#include "platform/platform.h"

namespace {

constexpr char kCaption[] = "mp3.dll";
// The last three arguments of openWaveOut: pulls of 16384 bytes of 16-bit PCM, four of them buffered.
constexpr int32_t kPullBytes = 16384;
constexpr int32_t kPullBuffers = 4;
// A drain waits for the output thread in steps of this many milliseconds.
constexpr uint32_t kDrainStepMs = 20;
// The output thread waits this long for data before looking at the closing flag and state again.
constexpr uint32_t kTakeWaitMs = 100;

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
      pitch_(config.pitch),
      speed_(config.speed)
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
    block_ = static_cast<float*>(fastmemAlloc(blockSamples_ * sizeof(float)));
    if (block_ == nullptr)
        return;
    std::fill(block_, block_ + blockSamples_, 0.0f);
    resetPositions();
    if (!setUpDestination(config))
        return;
    failed_ = false;
    open_ = true;
}

bool Obuffer::setUpDestination(const ObufferConfig& config)
{
    if (target_ == ObufferTarget::Sink)
        return true;
    bool ok = true;
    if (target_ == ObufferTarget::Convert) {
        pcm_ = static_cast<int16_t*>(fastmemAlloc(blockSamples_ * sizeof(int16_t)));
        ok = pcm_ != nullptr;
    }

    const int32_t h = initWaveOut();
    if (h == 0) {
        platform::messageBox(kCaption, "initialize waveOut error");
        return false;
    }
    handle_.store(h);
    startCaptureWaveOut(h, 0, target_ == ObufferTarget::Convert);
    enableEffectWaveOut(h, config.effectEnable);
    enableOrvane48kWaveOut(h, config.enable48k);
    setHarmonicsWaveOut(h, config.harmonics);
    setSpeedWaveOut(h, static_cast<float>(config.speed));
    setPitchWaveOut(h, static_cast<float>(config.pitch));
    enableGraphicEQWaveOut(h, 0);
    if (target_ == ObufferTarget::Convert)
        NORVSetSampleRate(sampleRate_);
    else if ((openWaveOut(h, config.device, sampleRate_, static_cast<int32_t>(channels_), &Obuffer::pull, this, 1,
                          kPullBytes, kPullBuffers)
              & 0xFF)
             == 0)
        ok = false;
    // The close of a failed set-up must not wait for an output thread that may not run.
    if (!ok)
        stopAtOnce_.store(true);
    return ok;
}

Obuffer::~Obuffer()
{
    close();
    if (fft_ != nullptr)
        termFft(fft_);
    fastmemFree(block_);
    fastmemFree(spectrumInput_);
    fastmemFree(pcm_);
    fifo_.clear();
}

void Obuffer::resetPositions()
{
    writePos_[0] = 0;
    writePos_[1] = 1;
    framesInBlock_ = 0;
}

float* Obuffer::reserve32(uint32_t ch)
{
    if (ch >= channels_)
        return nullptr;
    const uint32_t pos = writePos_[ch];
    // The 32nd sample lands at pos + 31 * channels.
    if (pos + 31 * channels_ >= blockSamples_)
        return nullptr;
    writePos_[ch] = pos + 32 * channels_;
    return block_ + pos;
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
    // The block fills sample by sample, so frames of any length (a gapless cut leaves partial
    // ones) still make whole blocks; a full block goes on at once.
    const uint32_t blockFrames = blockSamples_ / channels_;
    uint32_t done = 0;
    while (done < samples) {
        const uint32_t filled = writePos_[0] / channels_;
        const uint32_t n = std::min(blockFrames - filled, samples - done);
        float* dst = block_ + filled * channels_;
        uint32_t i = 0;
        if (channels_ == 2) {
            // Interleaved four frames at a time.
            for (; i + 4 <= n; i += 4) {
                const __m128 l = _mm_loadu_ps(pcm[0] + done + i);
                const __m128 r = _mm_loadu_ps(pcm[1] + done + i);
                _mm_storeu_ps(dst + 2 * i, _mm_unpacklo_ps(l, r));
                _mm_storeu_ps(dst + 2 * i + 4, _mm_unpackhi_ps(l, r));
            }
        }
        for (; i < n; ++i)
            for (uint32_t ch = 0; ch < channels_; ++ch)
                dst[i * channels_ + ch] = pcm[ch][done + i];
        writePos_[0] += n * channels_;
        if (channels_ == 2)
            writePos_[1] += n * 2;
        done += n;
        if (filled + n == blockFrames) {
            resetPositions();
            sendBlock(blockSamples_);
        }
    }
}

void Obuffer::frameDone()
{
    if (!open_)
        return;
    if (++framesInBlock_ < bufferSize_)
        return;
    resetPositions();
    sendBlock(blockSamples_);
}

void Obuffer::sendBlock(uint32_t count)
{
    if (sink_ != nullptr)
        sink_(sinkContext_, block_, count, channels_);
    if (target_ == ObufferTarget::Convert) {
        roundToPcm16(player::activePath(), block_, pcm_, count);
        const int32_t frames = static_cast<int32_t>(count / channels_);
        const int32_t written = channels_ == 1 ? shortMono(pcm_, frames, 0) : shortStereo(pcm_, frames, 0);
        if (written != frames)
            writeFailed_ = true;
    } else if (target_ == ObufferTarget::WaveOut) {
        writeToFifo(count);
    }
}

void Obuffer::writeToFifo(uint32_t count)
{
    // The block goes into the queue whole; the next is written into a buffer the queue is done with.
    float* next = fifo_.exchange(block_, blockSamples_, count);
    if (next == nullptr) {
        platform::messageBox(kCaption, "write to fifo error");
        return;
    }
    block_ = next;
    // One block's play time, so the count is looked at again at least that often.
    const uint32_t waitMs
        = std::max<uint32_t>(1, static_cast<uint32_t>(count / (static_cast<double>(channels_) * sampleRate_) * 1000.0));
    // The decoder runs at most four blocks ahead; a stop (state 0) releases it even while the
    // output is paused and takes nothing.
    while (fifo_.queued() > 3 && state() != OutputState::Idle) {
        fifo_.spaceEvent().wait(waitMs);
        fifo_.spaceEvent().reset();
    }
}

void Obuffer::requestStop()
{
    // The state is stored before the wake, so the writer that wakes sees Idle.
    setState(OutputState::Idle);
    fifo_.spaceEvent().set();
}

void Obuffer::flush()
{
    if (!open_)
        return;
    if (target_ == ObufferTarget::WaveOut)
        stopWaveOut(handle_.load());
    fifo_.clear();
    resetPositions();
}

void Obuffer::close()
{
    if (!open_ && handle_.load() == 0)
        return;
    const bool draining = !stopAtOnce_.load();
    if (open_ && draining) {
        // Whole frames written to every channel since the last block.
        uint32_t frames = writePos_[0] / channels_;
        if (channels_ == 2)
            frames = std::min(frames, (writePos_[1] - 1) / 2);
        if (frames > 0)
            sendBlock(frames * channels_);
        resetPositions();
    }
    open_ = false;
    const int32_t h = handle_.load();
    if (target_ == ObufferTarget::WaveOut && h != 0) {
        if (draining) {
            fifo_.setClosing(true);  // wakes the output thread even with fewer than three blocks
            while (fifo_.queued() > 0 && state() != OutputState::Idle)
                platform::sleepMs(kDrainStepMs);
        } else {
            stopWaveOut(h);
            fifo_.setClosing(true);  // a pull waiting for data returns at once
        }
    }
    {
        std::lock_guard<std::mutex> lock(handleMutex_);
        handle_.store(0);
    }
    if (h != 0)
        termWaveOut(h);
}

int32_t Obuffer::take(float* buffer, int32_t frames)
{
    const bool woken = fifo_.dataEvent().wait(kTakeWaitMs);
    if (!woken || fifo_.empty())
        return fifo_.closing() || state() == OutputState::Idle ? -1 : 0;
    const uint32_t wanted = static_cast<uint32_t>(frames) * channels_;
    const uint32_t copied = fifo_.take(buffer, wanted);
    return static_cast<int32_t>(copied / channels_);
}

int32_t Obuffer::pull(float* buffer, int32_t frames, int32_t, void* self)
{
    auto* out = static_cast<Obuffer*>(self);
    if (buffer == nullptr || frames <= 0)
        return 0;
    int32_t r = out->take(buffer, frames);
    if (r > 0)
        return r;
    while (r == 0) {
        r = out->take(buffer, frames);
        if (r < 0)
            break;
        platform::sleepMs(static_cast<uint32_t>(static_cast<int64_t>(frames) * 1000 / out->sampleRate_));
        if (r > 0)
            return r;
    }
    out->setState(OutputState::Drained);
    return 0;
}

void Obuffer::pause(bool paused)
{
    std::lock_guard<std::mutex> lock(handleMutex_);
    const int32_t h = handle_.load();
    if (h == 0)
        return;
    if (paused) {
        stopWaveOut(h);
        setState(OutputState::Paused);
    } else {
        startWaveOut(h);
        setState(OutputState::Playing);
    }
}

int32_t Obuffer::level(int32_t channel)
{
    std::lock_guard<std::mutex> lock(handleMutex_);
    const int32_t h = handle_.load();
    if (h == 0 || channel < 0 || channel > 1)
        return 0;
    int16_t pair[2] = {0, 0};
    getCurrentLevelWaveOut(h, pair);
    return channels_ == 1 ? pair[0] : pair[channel];
}

int32_t Obuffer::waveform(int16_t* buffer, int32_t count)
{
    std::lock_guard<std::mutex> lock(handleMutex_);
    const int32_t h = handle_.load();
    if (h == 0 || getCurrentWaveformWaveOut(h, buffer, count) == 0)
        return 0;
    return count * static_cast<int32_t>(channels_);
}

int32_t Obuffer::spectrum(float* destination)
{
    std::lock_guard<std::mutex> lock(handleMutex_);
    const int32_t h = handle_.load();
    if (h == 0 || destination == nullptr)
        return 0;
    if (fft_ == nullptr) {
        // Set up at the first read-out, so a play that never asks for one (a convert) skips it.
        fft_ = initFft(static_cast<uint32_t>(spectrumSize_), channels_, 2, 120);
        if (spectrumInput_ == nullptr)
            spectrumInput_ = static_cast<int16_t*>(fastmemAlloc(static_cast<uint32_t>(spectrumSize_) * channels_ * 2));
    }
    if (fft_ == nullptr || spectrumInput_ == nullptr
        || getCurrentWaveformWaveOut(h, spectrumInput_, spectrumSize_) == 0)
        return 0;
    return doFft(fft_, spectrumInput_, destination, channels_ * static_cast<uint32_t>(spectrumSize_) * 2);
}

void Obuffer::setPitch(int32_t pitch)
{
    pitch_.store(pitch);
    std::lock_guard<std::mutex> lock(handleMutex_);
    if (handle_.load() != 0)
        setPitchWaveOut(handle_.load(), static_cast<float>(pitch));
}

void Obuffer::setSpeed(int32_t speed)
{
    speed_.store(speed);
    std::lock_guard<std::mutex> lock(handleMutex_);
    if (handle_.load() != 0)
        setSpeedWaveOut(handle_.load(), static_cast<float>(speed));
}
