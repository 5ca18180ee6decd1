#include "mp3/player/block_assembler.h"

#include <xmmintrin.h>

#include <algorithm>

#include "orvane/dsp.h"

BlockAssembler::~BlockAssembler()
{
    fastmemFree(block_);
}

bool BlockAssembler::open(uint32_t channels, uint32_t blockSamples, int32_t framesPerBlock)
{
    block_ = static_cast<float*>(fastmemAlloc(blockSamples * sizeof(float)));
    if (block_ == nullptr)
        return false;
    std::fill(block_, block_ + blockSamples, 0.0f);
    channels_ = channels;
    blockSamples_ = blockSamples;
    framesPerBlock_ = framesPerBlock;
    restart();
    return true;
}

void BlockAssembler::restart()
{
    writePos_[0] = 0;
    writePos_[1] = 1;
    framesInBlock_ = 0;
}

float* BlockAssembler::reserve32(uint32_t ch)
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

bool BlockAssembler::frameDone()
{
    if (++framesInBlock_ < framesPerBlock_)
        return false;
    restart();
    return true;
}

uint32_t BlockAssembler::pendingFrames() const
{
    if (channels_ == 0)
        return 0;
    uint32_t frames = writePos_[0] / channels_;
    if (channels_ == 2)
        frames = std::min(frames, (writePos_[1] - 1) / 2);
    return frames;
}

void BlockAssembler::interleave(const float* const* pcm, uint32_t from, uint32_t at, uint32_t n)
{
    float* dst = block_ + at * channels_;
    uint32_t i = 0;
    if (channels_ == 2) {
        // Four frames at a time.
        for (; i + 4 <= n; i += 4) {
            const __m128 l = _mm_loadu_ps(pcm[0] + from + i);
            const __m128 r = _mm_loadu_ps(pcm[1] + from + i);
            _mm_storeu_ps(dst + 2 * i, _mm_unpacklo_ps(l, r));
            _mm_storeu_ps(dst + 2 * i + 4, _mm_unpackhi_ps(l, r));
        }
    }
    for (; i < n; ++i)
        for (uint32_t ch = 0; ch < channels_; ++ch)
            dst[i * channels_ + ch] = pcm[ch][from + i];
}
