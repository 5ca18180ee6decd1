#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "orvane/tessor.h"
#include "tessor/audio_output.h"
#include "tessor/live_effects.h"
#include "tessor/output_choice.h"
#include "tessor/sample_history.h"

// One wave output: its settings, its output thread pulling through the caller's callback, the
// output the samples go to, and the history behind the read-outs.
class WaveOut {
public:
    WaveOut();
    ~WaveOut();
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    bool select(const OutputChoice& choice);
    // The output in use after open, or -1 before.
    int32_t outputKind() const { return outputKind_.load(); }

    // Settings are stored and reported back; pitch, speed and harmonics reach the sound from the
    // next block, the 48 kHz switch at the next open.
    template<class Change> void changeSettings(Change change)
    {
        std::lock_guard<std::mutex> lock(settingsMutex_);
        change(settings_);
    }
    TessorSettings settings() const;

    bool open(int32_t device, int32_t rate, int32_t channels, TessorPullCallback callback, void* context,
              int32_t blockBytes, int32_t blockCount);
    bool start();
    bool stop();
    // Ends the thread and closes the output; false when called from the output thread itself.
    bool terminate();

    bool level(int16_t* pair) const;
    bool waveform(int16_t* dst, int32_t frames) const;

private:
    void run();
    // Everything the thread does with the block just pulled, in order: live effects, read-outs, output.
    void deliver(uint32_t frames);

    OutputChoice choice_;
    mutable std::mutex settingsMutex_;
    TessorSettings settings_{};
    std::atomic<int32_t> outputKind_{-1};

    std::unique_ptr<AudioOutput> output_;
    std::unique_ptr<SampleHistory> history_;
    std::unique_ptr<LiveEffects> live_;
    TessorPullCallback callback_ = nullptr;
    void* context_ = nullptr;
    uint32_t channels_ = 0;
    uint32_t framesPerBlock_ = 0;

    std::mutex lifecycleMutex_;  // serialises select, open and terminate
    std::atomic<std::thread::id> threadId_{};
    std::mutex runMutex_;
    std::condition_variable runChanged_;
    bool running_ = false;
    bool quit_ = false;
    bool restartOutput_ = false;
    std::thread thread_;
};
