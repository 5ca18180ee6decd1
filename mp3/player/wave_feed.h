#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "mp3/player/block_fifo.h"
#include "mp3/player/output_state.h"

// How a play's wave output is set up.
struct WaveFeedSettings {
    bool playback = true;  // blocks go to the device through the fifo; otherwise only captured
    int32_t device = -1;   // wave-out device: -1 system default
    float harmonics = 0.3f;
    int32_t pitch = 0;
    int32_t speed = 0;
    bool effectEnable = false;
    bool enable48k = false;
};

// A play's link to tessor: the wave-out handle with its settings and, in playback, the queue of
// whole blocks that tessor's output thread drains through the pull callback. The play's state
// word is shared: a stop (Idle) releases a writer waiting for room and ends the pulls; the last
// pull marks it Drained.
//
// Threads: the decoding thread opens, queues, flushes and closes; tessor's output thread runs the
// pull callback; host threads pause, change pitch and speed and use the handle through
// withHandle, which never race with close.
class WaveFeed {
public:
    explicit WaveFeed(std::atomic<OutputState>& state) : state_(state) { }
    ~WaveFeed();
    WaveFeed(const WaveFeed&) = delete;
    WaveFeed& operator=(const WaveFeed&) = delete;

    // Creates the wave output for channels channels at rate and applies the settings; in playback
    // also opens the device with the pull callback. False when the handle cannot be had (after the
    // "initialize waveOut error" message; handle() is then 0) or the device cannot be opened.
    bool open(const WaveFeedSettings& settings, uint32_t channels, int32_t rate);
    // The wave-out handle, 0 when there is none or after close.
    int32_t handle() const { return handle_.load(); }

    // ---- decoding thread ----
    // Queues the full block (a fastmemAlloc buffer of capacity floats, count of them written)
    // without copying it and returns the buffer for the next block; then waits while more than
    // three blocks are queued, unless the play stops. Null, after the "write to fifo error"
    // message, when no buffer can be had: the block stays the caller's.
    float* queue(float* block, uint32_t capacity, uint32_t count);
    // Start of a seek: stops the device and discards the queued blocks.
    void flush();
    // Draining: waits until the output thread has taken every queued block (or the play stops);
    // otherwise stops the device at once. Then releases the handle. Safe to call twice.
    void close(bool draining);

    // ---- any thread ----
    // A stop request: state Idle, and a writer waiting for room wakes at once instead of after up
    // to one block's play time.
    void requestStop();
    // Pauses (stopWaveOut, state Paused) or resumes (startWaveOut, state Playing) the device.
    void pause(bool paused);
    void setPitch(int32_t pitch);
    void setSpeed(int32_t speed);
    // Runs use(handle) with the handle held, so it is not released meanwhile (0 when there is none).
    template<class Use> int32_t withHandle(Use use)
    {
        std::lock_guard<std::mutex> lock(handleMutex_);
        return use(handle_.load());
    }

    // ---- tessor's output thread ----
    // The pull callback handed to openWaveOut: fills up to frames frames; 0 once drained.
    static int32_t pull(float* buffer, int32_t frames, int32_t reserved, void* self);

private:
    int32_t take(float* buffer, int32_t frames);

    std::atomic<OutputState>& state_;
    bool playback_ = false;
    uint32_t channels_ = 0;
    int32_t rate_ = 0;
    std::atomic<int32_t> handle_{0};
    // Held by withHandle, pause and the live settings while they use the handle, and by close
    // while it releases it, so none of them reaches tessor with a handle being terminated.
    std::mutex handleMutex_;
    BlockFifo fifo_;
};
