#pragma once

#include <cstdint>

// Gathers a decoder's float PCM into interleaved blocks of a fixed size. Whole frames come through
// frame(); writers of 32 samples at a time per channel use reserve32 and end each frame with
// frameDone. The caller sends a full block on and may swap in a fresh buffer for the next one.
class BlockAssembler {
public:
    BlockAssembler() = default;
    ~BlockAssembler();
    BlockAssembler(const BlockAssembler&) = delete;
    BlockAssembler& operator=(const BlockAssembler&) = delete;

    // Allocates a zeroed block of blockSamples samples over channels channels, sent every
    // framesPerBlock frameDone calls; false when it cannot be had.
    bool open(uint32_t channels, uint32_t blockSamples, int32_t framesPerBlock);
    const float* block() const { return block_; }
    float* block() { return block_; }
    // Takes next (of the same size) as the block buffer in place of the one held, which the
    // caller took through block() and now owns.
    void swap(float* next) { block_ = next; }
    // Index in the block of the next sample of channel ch (starts at ch, steps by channels).
    uint32_t writePosition(uint32_t ch) const { return ch < channels_ ? writePos_[ch] : 0; }
    // Where the next 32 samples of channel ch go, moving its position on; null without room.
    float* reserve32(uint32_t ch);
    // Ends one frame written through reserve32: true when the block is due (positions restart).
    bool frameDone();
    // Interleaves samples frames of every channel into the block; sendFull(count) runs each time
    // the block fills (positions already restarted, the block still holding the samples).
    template<typename SendFull> void frame(const float* const* pcm, uint32_t samples, SendFull sendFull);
    // Whole frames written to every channel since the block last went out.
    uint32_t pendingFrames() const;
    // Back to an empty block.
    void restart();

private:
    // Interleaves n frames from pcm at offset `from` into the block at frame `at`.
    void interleave(const float* const* pcm, uint32_t from, uint32_t at, uint32_t n);

    float* block_ = nullptr;
    uint32_t channels_ = 0;
    uint32_t blockSamples_ = 0;
    int32_t framesPerBlock_ = 0;
    uint32_t writePos_[2] = {0, 1};
    int32_t framesInBlock_ = 0;
};

template<typename SendFull> void BlockAssembler::frame(const float* const* pcm, uint32_t samples, SendFull sendFull)
{
    // The block fills sample by sample, so frames of any length (a gapless cut leaves partial
    // ones) still make whole blocks; a full block goes on at once.
    const uint32_t blockFrames = blockSamples_ / channels_;
    uint32_t done = 0;
    while (done < samples) {
        const uint32_t filled = writePos_[0] / channels_;
        const uint32_t n = blockFrames - filled < samples - done ? blockFrames - filled : samples - done;
        interleave(pcm, done, filled, n);
        writePos_[0] += n * channels_;
        if (channels_ == 2)
            writePos_[1] += n * 2;
        done += n;
        if (filled + n == blockFrames) {
            restart();
            sendFull(blockSamples_);
        }
    }
}
