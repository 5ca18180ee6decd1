#include "tessor/wave_out.h"

#include <cstdlib>

#include "platform/platform.h"

WaveOut::WaveOut()
{
    const char* env = std::getenv("ORVANE_OUTPUT");
    if (env != nullptr && *env != '\0' && !parseOutputChoice(env, choice_))
        platform::messageBox("tessor", "ORVANE_OUTPUT is not device, null or capture:PATH[,fast]; using the device");
}

WaveOut::~WaveOut()
{
    terminate();
}

bool WaveOut::select(const OutputChoice& choice)
{
    std::lock_guard<std::mutex> lifecycle(lifecycleMutex_);
    if (thread_.joinable())
        return false;
    choice_ = choice;
    return true;
}

TessorSettings WaveOut::settings() const
{
    std::lock_guard<std::mutex> lock(settingsMutex_);
    return settings_;
}

bool WaveOut::open(int32_t device, int32_t rate, int32_t channels, TessorPullCallback callback, void* context,
                   int32_t blockBytes, int32_t blockCount)
{
    std::lock_guard<std::mutex> lifecycle(lifecycleMutex_);
    if (thread_.joinable() || callback == nullptr || rate < 1 || rate > 384000 || channels < 1 || channels > 2
        || blockBytes < 256 || blockBytes > (1 << 20))
        return false;
    const auto pullFrames = static_cast<uint32_t>(blockBytes / (2 * channels));
    auto live = std::make_unique<LiveEffects>(static_cast<uint32_t>(rate), static_cast<uint32_t>(channels), pullFrames,
                                              settings().output48k != 0);
    // The output runs at the rate the live effects deliver (48 kHz when converting).
    const auto outFrames = static_cast<uint32_t>(uint64_t(pullFrames) * live->outputRate() / uint32_t(rate));
    const OutputFormat format{live->outputRate(), static_cast<uint32_t>(channels), outFrames,
                              static_cast<uint32_t>(blockCount < 1 ? 1 : blockCount)};
    OutputChoice::Kind kind = choice_.kind;
    if (kind == OutputChoice::Kind::Device) {
        std::string error;
        output_ = openDeviceOutput(device, format, error);
        if (output_ == nullptr) {
            platform::messageBox("tessor", ("no sound device (" + error + "); playing on the null output").c_str());
            kind = OutputChoice::Kind::Null;
        }
    }
    if (kind == OutputChoice::Kind::Null)
        output_ = openNullOutput(format);
    if (kind == OutputChoice::Kind::Capture)
        output_ = openCaptureOutput(choice_.capturePath, choice_.fast, format);
    if (output_ == nullptr)
        return false;

    callback_ = callback;
    context_ = context;
    channels_ = format.channels;
    framesPerBlock_ = pullFrames;
    live_ = std::move(live);
    history_ = std::make_unique<SampleHistory>(channels_);
    running_ = true;
    quit_ = false;
    outputKind_.store(static_cast<int32_t>(kind));
    thread_ = std::thread(&WaveOut::run, this);
    return true;
}

bool WaveOut::start()
{
    if (outputKind() < 0)
        return false;
    {
        std::lock_guard<std::mutex> lock(runMutex_);
        if (!running_)
            restartOutput_ = true;
        running_ = true;
    }
    runChanged_.notify_all();
    return true;
}

bool WaveOut::stop()
{
    if (outputKind() < 0)
        return false;
    std::lock_guard<std::mutex> lock(runMutex_);
    running_ = false;
    return true;
}

bool WaveOut::terminate()
{
    // Joining itself would never return.
    if (std::this_thread::get_id() == threadId_.load())
        return false;
    std::lock_guard<std::mutex> lifecycle(lifecycleMutex_);
    if (!thread_.joinable())
        return true;
    {
        std::lock_guard<std::mutex> lock(runMutex_);
        quit_ = true;
    }
    runChanged_.notify_all();
    thread_.join();
    output_.reset();
    return true;
}

void WaveOut::run()
{
    threadId_.store(std::this_thread::get_id());  // before any callback can call terminate
    std::unique_lock<std::mutex> lock(runMutex_);
    for (;;) {
        runChanged_.wait(lock, [this] { return quit_ || running_; });
        if (quit_)
            return;
        const bool restart = restartOutput_;
        restartOutput_ = false;
        lock.unlock();
        if (restart)
            output_->restart();
        const int32_t got = callback_(live_->input(), static_cast<int32_t>(framesPerBlock_), 0, context_);
        if (got > 0)
            deliver(static_cast<uint32_t>(got) < framesPerBlock_ ? static_cast<uint32_t>(got) : framesPerBlock_);
        else
            platform::sleepMs(10);  // nothing to play now: idle without spinning
        lock.lock();
    }
}

void WaveOut::deliver(uint32_t frames)
{
    const float* played = nullptr;
    const uint32_t count = live_->process(frames, settings(), &played);
    history_->push(played, count);
    output_->write(played, count);
}

bool WaveOut::level(int16_t* pair) const
{
    // The history exists once outputKind_ is set and lives as long as the object.
    if (pair == nullptr || outputKind() < 0)
        return false;
    history_->level(pair);
    return true;
}

bool WaveOut::waveform(int16_t* dst, int32_t frames) const
{
    if (dst == nullptr || frames < 1 || frames > static_cast<int32_t>(SampleHistory::kFrames) || outputKind() < 0)
        return false;
    history_->latest(dst, static_cast<uint32_t>(frames));
    return true;
}
