#include "mp3/player/wave_feed.h"

#include <algorithm>

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

}  // namespace

WaveFeed::~WaveFeed()
{
    close(false);
    fifo_.clear();
}

bool WaveFeed::open(const WaveFeedSettings& settings, uint32_t channels, int32_t rate)
{
    playback_ = settings.playback;
    channels_ = channels;
    rate_ = rate;
    const int32_t h = initWaveOut();
    if (h == 0) {
        platform::messageBox(kCaption, "initialize waveOut error");
        return false;
    }
    handle_.store(h);
    startCaptureWaveOut(h, 0, playback_ ? 0 : 1);
    enableEffectWaveOut(h, settings.effectEnable);
    enableOrvane48kWaveOut(h, settings.enable48k);
    setHarmonicsWaveOut(h, settings.harmonics);
    setSpeedWaveOut(h, static_cast<float>(settings.speed));
    setPitchWaveOut(h, static_cast<float>(settings.pitch));
    enableGraphicEQWaveOut(h, 0);
    if (!playback_)
        return true;
    const int32_t opened = openWaveOut(h, settings.device, rate, static_cast<int32_t>(channels), &WaveFeed::pull, this,
                                       1, kPullBytes, kPullBuffers);
    return (opened & 0xFF) != 0;
}

float* WaveFeed::queue(float* block, uint32_t capacity, uint32_t count)
{
    // The block goes into the queue whole; the next is written into a buffer the queue is done with.
    float* next = fifo_.exchange(block, capacity, count);
    if (next == nullptr) {
        platform::messageBox(kCaption, "write to fifo error");
        return nullptr;
    }
    // One block's play time, so the count is looked at again at least that often.
    const uint32_t waitMs
        = std::max<uint32_t>(1, static_cast<uint32_t>(count / (static_cast<double>(channels_) * rate_) * 1000.0));
    // The decoder runs at most four blocks ahead; a stop (state Idle) releases it even while the
    // output is paused and takes nothing.
    while (fifo_.queued() > 3 && state_.load() != OutputState::Idle) {
        fifo_.spaceEvent().wait(waitMs);
        fifo_.spaceEvent().reset();
    }
    return next;
}

void WaveFeed::requestStop()
{
    // The state is stored before the wake, so the writer that wakes sees Idle.
    state_.store(OutputState::Idle);
    fifo_.spaceEvent().set();
}

void WaveFeed::flush()
{
    if (playback_)
        stopWaveOut(handle_.load());
    fifo_.clear();
}

void WaveFeed::close(bool draining)
{
    const int32_t h = handle_.load();
    if (h == 0)
        return;
    if (playback_) {
        if (draining) {
            fifo_.setClosing(true);  // wakes the output thread even with fewer than three blocks
            while (fifo_.queued() > 0 && state_.load() != OutputState::Idle)
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
    termWaveOut(h);
}

int32_t WaveFeed::take(float* buffer, int32_t frames)
{
    const bool woken = fifo_.dataEvent().wait(kTakeWaitMs);
    if (!woken || fifo_.empty())
        return fifo_.closing() || state_.load() == OutputState::Idle ? -1 : 0;
    const uint32_t wanted = static_cast<uint32_t>(frames) * channels_;
    const uint32_t copied = fifo_.take(buffer, wanted);
    return static_cast<int32_t>(copied / channels_);
}

int32_t WaveFeed::pull(float* buffer, int32_t frames, int32_t, void* self)
{
    auto* feed = static_cast<WaveFeed*>(self);
    if (buffer == nullptr || frames <= 0)
        return 0;
    int32_t r = feed->take(buffer, frames);
    if (r > 0)
        return r;
    while (r == 0) {
        r = feed->take(buffer, frames);
        if (r < 0)
            break;
        platform::sleepMs(static_cast<uint32_t>(static_cast<int64_t>(frames) * 1000 / feed->rate_));
        if (r > 0)
            return r;
    }
    feed->state_.store(OutputState::Drained);
    return 0;
}

void WaveFeed::pause(bool paused)
{
    std::lock_guard<std::mutex> lock(handleMutex_);
    const int32_t h = handle_.load();
    if (h == 0)
        return;
    if (paused) {
        stopWaveOut(h);
        state_.store(OutputState::Paused);
    } else {
        startWaveOut(h);
        state_.store(OutputState::Playing);
    }
}

void WaveFeed::setPitch(int32_t pitch)
{
    std::lock_guard<std::mutex> lock(handleMutex_);
    if (handle_.load() != 0)
        setPitchWaveOut(handle_.load(), static_cast<float>(pitch));
}

void WaveFeed::setSpeed(int32_t speed)
{
    std::lock_guard<std::mutex> lock(handleMutex_);
    if (handle_.load() != 0)
        setSpeedWaveOut(handle_.load(), static_cast<float>(speed));
}
