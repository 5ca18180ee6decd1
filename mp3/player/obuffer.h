#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "mp3/player/block_fifo.h"

// Output state word of a play, shared by the decoding, output and host threads.
enum class OutputState : int32_t { Drained = -1, Idle = 0, Playing = 1, Paused = 2, Seeking = 3 };

// Receives each completed block: count interleaved float samples (over all channels) in 16-bit
// scale. Runs on the decoding thread; the samples are valid only during the call.
using ObufferBlockSink = void (*)(void* context, const float* samples, uint32_t count, uint32_t channels);

// Where the blocks of a play go.
enum class ObufferTarget {
    Sink,  // only to the block sink: no device, no wave output, no conversion (tests, fuzzing)
};

// Everything the output stage takes from the play and the player settings at creation.
struct ObufferConfig {
    ObufferTarget target = ObufferTarget::Sink;
    int32_t layer = 3;         // 1, 2 or 3
    bool lowSampling = false;  // MPEG-2 or MPEG-2.5 stream
    int32_t sampleRate = 44100;
    int32_t bufferSize = 12;  // frames per block, 1..kMaxBufferSize
    ObufferBlockSink sink = nullptr;
    void* sinkContext = nullptr;
};

// Gathers the float PCM of the synthesis filters into blocks of bufferSize frames and hands each
// full block on. The decoder writes 32 samples at a time per channel (put32 or reserve32) and
// calls frameDone after every frame. A draining close also sends the last, partly filled block.
class Obuffer {
public:
    static constexpr int32_t kMaxBufferSize = 1024;

    // PCM samples per channel in one frame: 384 (Layer I), 1152 (Layer II, Layer III of MPEG-1),
    // 576 (Layer III of MPEG-2/2.5); 0 for an unknown layer.
    static uint32_t samplesPerFrame(int32_t layer, bool lowSampling);
    // Block size in bytes of 16-bit PCM: channels x buffer size x samples per frame x 2;
    // 0 when any argument is out of range.
    static uint32_t blockBytes(uint32_t channels, int32_t bufferSize, int32_t layer, bool lowSampling);

    // channels is 1 or 2. A configuration that cannot be played (bad channels, layer, rate or
    // buffer size) leaves failed() true and every later call harmless.
    Obuffer(uint32_t channels, const ObufferConfig& config);
    ~Obuffer();
    Obuffer(const Obuffer&) = delete;
    Obuffer& operator=(const Obuffer&) = delete;

    bool failed() const { return failed_; }

    // ---- decoding thread ----
    uint32_t channels() const { return channels_; }
    // Block size B in bytes; the block holds B / 2 samples over all channels.
    uint32_t blockSizeBytes() const { return blockBytes_; }
    int32_t bufferSize() const { return bufferSize_; }
    const float* block() const { return block_; }
    // Index in the block of the next sample of channel ch (starts at ch, steps by channels).
    uint32_t writePosition(uint32_t ch) const { return ch < channels_ ? writePos_[ch] : 0; }
    // Returns where the next 32 samples of channel ch go (consecutive samples are channels()
    // floats apart) and moves its write position on; null when the block has no room for them,
    // so a decoder never writes past the block whatever the stream claims.
    float* reserve32(uint32_t ch);
    // Writes 32 samples of channel ch through reserve32; dropped when there is no room.
    void put32(uint32_t ch, const float* samples);
    // Ends one decoded frame; every bufferSize frames the block is sent.
    void frameDone();
    // Discards the block being filled (start of a seek).
    void flush();
    // Makes the next close cut output off instead of draining.
    void markStopAtOnce() { stopAtOnce_.store(true); }
    // Sends the partly filled block unless marked stop-at-once. Safe to call twice.
    void close();

    // ---- any thread ----
    OutputState state() const { return static_cast<OutputState>(state_.load()); }
    void setState(OutputState s) { state_.store(static_cast<int32_t>(s)); }

private:
    void sendBlock(uint32_t count);
    void resetPositions();

    uint32_t channels_ = 0;
    ObufferConfig config_;
    int32_t bufferSize_ = 0;
    uint32_t blockBytes_ = 0;
    uint32_t blockSamples_ = 0;
    float* block_ = nullptr;
    uint32_t writePos_[2] = {0, 1};
    int32_t framesInBlock_ = 0;
    bool failed_ = true;
    bool open_ = false;
    std::atomic<bool> stopAtOnce_{false};
    std::atomic<int32_t> state_{static_cast<int32_t>(OutputState::Idle)};
};
