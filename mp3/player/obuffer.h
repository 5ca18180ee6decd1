#pragma once

#include <atomic>
#include <cstdint>

#include "mp3/decoder/pcm_sink.h"
#include "mp3/player/block_assembler.h"
#include "mp3/player/norv_feed.h"
#include "mp3/player/output_readouts.h"
#include "mp3/player/output_state.h"
#include "mp3/player/wave_feed.h"

// Receives each completed block: count interleaved float samples (over all channels) in 16-bit
// scale. Runs on the decoding thread; the samples are valid only during the call.
using ObufferBlockSink = void (*)(void* context, const float* samples, uint32_t count, uint32_t channels);

// Where the blocks of a play go.
enum class ObufferTarget {
    WaveOut,  // through the fifo to tessor's output thread (playback)
    Convert,  // to 16-bit PCM and on to norv
    Sink,     // only to the block sink: no device, no wave output, no conversion (tests, fuzzing)
};

// Everything the output stage takes from the play and the player settings at creation.
struct ObufferConfig {
    ObufferTarget target = ObufferTarget::Sink;
    int32_t layer = 3;         // 1, 2 or 3
    bool lowSampling = false;  // MPEG-2 or MPEG-2.5 stream
    int32_t sampleRate = 44100;
    int32_t bufferSize = 12;     // frames per block, 1..kMaxBufferSize
    int32_t spectrumSize = 256;  // FFT size of the spectrum read-out: a power of two, 4..32768
    // The wave output's settings (its playback flag follows the target).
    WaveFeedSettings wave;
    // Optional tap on every block in any target (for the Sink target, the only destination).
    ObufferBlockSink sink = nullptr;
    void* sinkContext = nullptr;
};

// The output stage of a play: gathers the float PCM of a decoder into blocks of bufferSize frames
// (BlockAssembler) and hands each full block on, to the wave output (WaveFeed) or to norv
// (NorvFeed); OutputReadouts answers the read-outs. A decoder hands it whole frames as its PCM
// sink; other writers put 32 samples at a time per channel (put32 or reserve32) and call frameDone
// after every frame. A draining close also sends the last, partly filled block.
//
// Threads: the decoding thread creates, writes, flushes, closes and destroys; tessor's output
// thread runs the wave feed's pull callback; host threads call pause, the read-outs and the live
// settings, which never race with close.
class Obuffer : public decoder::PcmSink {
public:
    static constexpr int32_t kMaxBufferSize = 1024;

    // PCM samples per channel in one frame: 384 (Layer I), 1152 (Layer II, Layer III of MPEG-1),
    // 576 (Layer III of MPEG-2/2.5); 0 for an unknown layer.
    static uint32_t samplesPerFrame(int32_t layer, bool lowSampling);
    // Block size in bytes of 16-bit PCM: channels x buffer size x samples per frame x 2;
    // 0 when any argument is out of range.
    static uint32_t blockBytes(uint32_t channels, int32_t bufferSize, int32_t layer, bool lowSampling);

    // channels is 1 or 2. Set-up failures show their message box and leave failed() true; a
    // configuration that cannot be played (channels, layer, rate, buffer or spectrum size) is
    // refused that way before anything is sized from it. Every later call stays harmless.
    Obuffer(uint32_t channels, const ObufferConfig& config);
    ~Obuffer() override;
    Obuffer(const Obuffer&) = delete;
    Obuffer& operator=(const Obuffer&) = delete;

    bool failed() const { return failed_; }
    // True once norv refused a converted block: the output is incomplete.
    bool writeFailed() const { return norv_.writeFailed(); }

    // ---- decoding thread ----
    uint32_t channels() const { return channels_; }
    // Block size B in bytes; the block holds B / 2 samples over all channels.
    uint32_t blockSizeBytes() const { return blockBytes_; }
    int32_t bufferSize() const { return bufferSize_; }
    const float* block() const { return assembler_.block(); }
    // Index in the block of the next sample of channel ch (starts at ch, steps by channels).
    uint32_t writePosition(uint32_t ch) const { return assembler_.writePosition(ch); }
    // Returns where the next 32 samples of channel ch go (consecutive samples are channels()
    // floats apart) and moves its write position on; null when the block has no room for them,
    // so a decoder never writes past the block whatever the stream claims.
    float* reserve32(uint32_t ch);
    // Writes 32 samples of channel ch through reserve32; dropped when there is no room.
    void put32(uint32_t ch, const float* samples);
    // Ends one decoded frame; every bufferSize frames the block is sent.
    void frameDone();
    // One decoded frame of any length: interleaved into the block, which goes on each time it is
    // full. A frame of another channel count than the output's is dropped.
    void frame(const float* const* pcm, uint32_t channels, uint32_t samples) override;
    // Start of a seek: stops the wave output, discards queued blocks and the block being filled.
    void flush();
    // Makes the next close cut output off instead of draining.
    void markStopAtOnce() { stopAtOnce_.store(true); }
    // Draining: sends the partly filled block and waits until the output thread has taken every
    // queued block. Stop at once: stops the wave output. Then releases it. Safe to call twice.
    void close();

    // ---- any thread ----
    OutputState state() const { return state_.load(); }
    void setState(OutputState s) { state_.store(s); }
    // A stop request: state Idle, and a decoding thread waiting for room in the queue wakes at
    // once instead of after up to one block's play time.
    void requestStop();
    // The wave-out handle, 0 when there is none or after close.
    int32_t waveOutHandle() const { return wave_.handle(); }
    // Pauses (stopWaveOut, state 2) or resumes (startWaveOut, state 1) the wave output.
    void pause(bool paused);
    // Peak level now playing of channel 0 or 1 (a mono output answers 1 with its only level).
    int32_t level(int32_t channel);
    // count frames of the 16-bit samples now playing into buffer; count x channels, 0 on failure.
    int32_t waveform(int16_t* buffer, int32_t count);
    // dB spectrum of the samples now playing (channel 1 after channel 0); values per spectrum, 0 on failure.
    int32_t spectrum(float* destination);
    // Live pitch and speed: stored, and passed on to the wave output when there is one.
    void setPitch(int32_t pitch);
    void setSpeed(int32_t speed);
    int32_t pitch() const { return pitch_.load(); }
    int32_t speed() const { return speed_.load(); }

private:
    bool setUpDestination(const ObufferConfig& config);
    void sendBlock(uint32_t count);

    uint32_t channels_ = 0;
    ObufferTarget target_ = ObufferTarget::Sink;
    ObufferBlockSink sink_ = nullptr;
    void* sinkContext_ = nullptr;
    int32_t sampleRate_ = 0;
    int32_t bufferSize_ = 0;
    int32_t spectrumSize_ = 0;
    uint32_t blockBytes_ = 0;
    uint32_t blockSamples_ = 0;
    BlockAssembler assembler_;
    NorvFeed norv_;
    OutputReadouts readouts_;
    bool failed_ = true;
    bool open_ = false;
    std::atomic<int32_t> pitch_{0};
    std::atomic<int32_t> speed_{0};
    std::atomic<bool> stopAtOnce_{false};
    std::atomic<OutputState> state_{OutputState::Idle};
    WaveFeed wave_{state_};
};
