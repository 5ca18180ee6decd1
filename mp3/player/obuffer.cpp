#include "mp3/player/obuffer.h"

#include <algorithm>

#include "orvane/dsp.h"

uint32_t Obuffer::samplesPerFrame(int32_t layer, bool lowSampling)
{
    switch (layer) {
    case 1: return 384;
    case 2: return 1152;
    case 3: return lowSampling ? 576 : 1152;
    default: return 0;
    }
}

uint32_t Obuffer::blockBytes(uint32_t channels, int32_t bufferSize, int32_t layer, bool lowSampling)
{
    if (channels < 1 || channels > 2 || bufferSize < 1 || bufferSize > kMaxBufferSize)
        return 0;
    return channels * static_cast<uint32_t>(bufferSize) * samplesPerFrame(layer, lowSampling) * 2;
}

Obuffer::Obuffer(uint32_t channels, const ObufferConfig& config) : config_(config)
{
    blockBytes_ = blockBytes(channels, config.bufferSize, config.layer, config.lowSampling);
    if (blockBytes_ == 0 || config.sampleRate <= 0)
        return;
    channels_ = channels;
    bufferSize_ = config.bufferSize;
    blockSamples_ = blockBytes_ / 2;
    block_ = static_cast<float*>(fastmemAlloc(blockSamples_ * sizeof(float)));
    if (block_ == nullptr)
        return;
    std::fill(block_, block_ + blockSamples_, 0.0f);
    resetPositions();
    failed_ = false;
    open_ = true;
}

Obuffer::~Obuffer()
{
    close();
    fastmemFree(block_);
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

void Obuffer::frameDone()
{
    if (!open_)
        return;
    if (++framesInBlock_ < bufferSize_)
        return;
    resetPositions();
    sendBlock(blockSamples_);
}

void Obuffer::flush()
{
    if (open_)
        resetPositions();
}

void Obuffer::sendBlock(uint32_t count)
{
    if (config_.sink != nullptr)
        config_.sink(config_.sinkContext, block_, count, channels_);
}

void Obuffer::close()
{
    if (!open_)
        return;
    open_ = false;
    if (stopAtOnce_.load())
        return;
    // Whole frames written to every channel since the last block.
    uint32_t frames = writePos_[0] / channels_;
    if (channels_ == 2)
        frames = std::min(frames, (writePos_[1] - 1) / 2);
    if (frames > 0)
        sendBlock(frames * channels_);
    resetPositions();
}
