#include "mp3/decode/format_keeper.h"

#include <algorithm>

#include "orvane/dsp.h"

namespace {

// The largest frame a decoder delivers; blocks go through the resampler at most this long.
constexpr uint32_t kBlock = 1152;
// The resampler the tool converts rates with: cubic, 90 dB down within a sixth of an octave.
constexpr float kStopbandDb = 90.0f;
constexpr float kSlopeDbPerOctave = 540.0f;
// Silent frames that push the resampler's last outputs out at the end of a run.
constexpr uint32_t kTailFrames = 8;
constexpr int kTailRounds = 4;

}  // namespace

FormatKeeper::~FormatKeeper()
{
    releaseResampler();
}

void FormatKeeper::releaseResampler()
{
    if (chain_ != nullptr)
        dspDestroy(chain_);
    chain_ = nullptr;
}

void FormatKeeper::setOutput(uint32_t sampleRate, uint32_t channels)
{
    releaseResampler();
    outRate_ = std::max(sampleRate, 1u);
    outChannels_ = std::clamp(channels, 1u, 2u);
    active_ = false;
    startFed_ = 0;
    mixed_.assign(size_t(kBlock) * 2, 0.0f);
    converted_.assign(size_t(kBlock) * 2, 0.0f);
    planar_.assign(size_t(kBlock) * 2, 0.0f);
}

void FormatKeeper::setSource(uint32_t sampleRate, uint32_t channels)
{
    sampleRate = std::max(sampleRate, 1u);
    channels = std::clamp(channels, 1u, 2u);
    if (active_ && sampleRate == inRate_ && channels == inChannels_)
        return;
    finish();
    inRate_ = sampleRate;
    inChannels_ = channels;
    fed_ = startFed_;
    startFed_ = 0;
    given_ = owed();
    active_ = true;
    if (inRate_ == outRate_)
        return;
    chain_ = dspCreate(kBlock, outChannels_, inRate_);
    void* resampler
        = initResampler(kBlock, outChannels_, outChannels_, inRate_, outRate_, 1, kStopbandDb, kSlopeDbPerOctave, 1);
    if (chain_ == nullptr || resampler == nullptr || dspAdd(chain_, resampler, 0) != 1) {
        // Without a resampler the run is delivered as silence of its length.
        termResampler(resampler);
        releaseResampler();
        return;
    }
    const size_t most = std::max<size_t>(dspGetDstSize(chain_, kBlock), kBlock) * 2;
    if (converted_.size() < most) {
        converted_.resize(most);
        planar_.resize(most);
    }
}

void FormatKeeper::restart(uint64_t fed)
{
    releaseResampler();
    active_ = false;
    startFed_ = fed;
}

void FormatKeeper::frame(const float* const* pcm, uint32_t channels, uint32_t samples)
{
    if (target_ == nullptr || channels < 1 || channels > 2 || outChannels_ == 0)
        return;
    if (!active_)
        setSource(outRate_, channels);
    if (inRate_ == outRate_ && channels == outChannels_) {
        target_->frame(pcm, channels, samples);
        return;
    }
    for (uint32_t done = 0; done < samples;) {
        const uint32_t n = std::min(samples - done, kBlock);
        const float* left = pcm[0] + done;
        const float* right = channels == 2 ? pcm[1] + done : left;
        float* out = mixed_.data();
        if (outChannels_ == 1) {
            for (uint32_t i = 0; i < n; ++i)
                out[i] = channels == 2 ? 0.5f * (left[i] + right[i]) : left[i];
        } else {
            for (uint32_t i = 0; i < n; ++i) {
                out[2 * i] = left[i];
                out[2 * i + 1] = right[i];
            }
        }
        done += n;
        if (inRate_ == outRate_) {
            emit(mixed_.data(), n);
            continue;
        }
        fed_ += n;
        const int32_t made = chain_ != nullptr ? dspSendFloat(chain_, mixed_.data(), converted_.data(), n) : 0;
        emit(converted_.data(), uint32_t(std::min<uint64_t>(uint64_t(std::max(made, 0)), owed() - given_)));
    }
}

void FormatKeeper::finish()
{
    if (!active_)
        return;
    active_ = false;
    if (inRate_ == outRate_)
        return;
    std::fill(mixed_.begin(), mixed_.end(), 0.0f);
    for (int round = 0; round < kTailRounds && chain_ != nullptr && given_ < owed(); ++round) {
        const int32_t made = dspSendFloat(chain_, mixed_.data(), converted_.data(), kTailFrames);
        emit(converted_.data(), uint32_t(std::min<uint64_t>(uint64_t(std::max(made, 0)), owed() - given_)));
    }
    // What the resampler still owes (or all of it, when none could be had) comes as silence.
    std::fill(converted_.begin(), converted_.end(), 0.0f);
    while (given_ < owed())
        emit(converted_.data(), uint32_t(std::min<uint64_t>(owed() - given_, kBlock)));
    releaseResampler();
}

void FormatKeeper::emit(const float* interleaved, uint32_t frames)
{
    given_ += frames;
    if (target_ == nullptr || frames == 0)
        return;
    if (outChannels_ == 1) {
        const float* pcm[2] = {interleaved, interleaved};
        target_->frame(pcm, 1, frames);
        return;
    }
    const size_t half = planar_.size() / 2;
    float* left = planar_.data();
    float* right = left + half;
    for (uint32_t i = 0; i < frames; ++i) {
        left[i] = interleaved[2 * i];
        right[i] = interleaved[2 * i + 1];
    }
    const float* pcm[2] = {left, right};
    target_->frame(pcm, 2, frames);
}
