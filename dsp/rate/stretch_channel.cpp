#include "dsp/rate/stretch_channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/core/fast_heap.h"
#include "dsp/rate/grain_alignment.h"
#include "dsp/rate/grain_kernels.h"
#include "dsp/rate/pitch_shift_channel.h"

StretchChannel::~StretchChannel()
{
    FastHeap& heap = FastHeap::instance();
    heap.free(window_);
    heap.free(inverseSum_);
}

bool StretchChannel::setScale(float scale)
{
    if (!std::isfinite(scale))
        return false;
    bypass_ = scale == 0.0f;
    scale = std::clamp(scale, kMinScale, kMaxScale);
    factor_ = std::pow(2.0f, -scale * 0.001f);
    invFactor_ = 1.0f / factor_;
    if (factor_ < 1.0f) {
        reachLen_ = static_cast<uint32_t>(static_cast<float>(grainLen_) * invFactor_);
        startOffset_ = 0;
    } else {
        reachLen_ = grainLen_;
        startOffset_ = grainLen_;
    }
    return true;
}

bool StretchChannel::setOutLevel(float outLevelDb)
{
    if (!std::isfinite(outLevelDb))
        return false;
    gain_ = std::pow(10.0f, 0.05f * outLevelDb);
    return true;
}

bool StretchChannel::init(float rate, float scale, float outLevelDb, float grainTime, float grainInterval)
{
    PitchShiftChannel::Sizes sizes{};
    // The ring holds eight grains, so the grain length is held to an eighth of the pitch limit.
    if (!PitchShiftChannel::sizesFor(rate, grainTime, grainInterval, sizes)
        || sizes.grainLen > PitchShiftChannel::kMaxGrainLen / 8 || !std::isfinite(scale) || !std::isfinite(outLevelDb))
        return false;
    sampleRate_ = rate;
    grainLen_ = sizes.grainLen;
    setScale(scale);
    hop_ = sizes.hop;
    grainCount_ = grainLen_ / hop_ + 1;
    setOutLevel(outLevelDb);

    FastHeap& heap = FastHeap::instance();
    ringCapacity_ = grainLen_ * 8;
    if (!ready || grainLen_ > windowCapacity_) {
        ready = 0;  // until every buffer exists; a failed allocation throws and leaves it so
        heap.free(window_);
        window_ = nullptr;
        windowCapacity_ = 0;
        window_ = heap.allocFloats(grainLen_);
        windowCapacity_ = grainLen_;
    }
    if (!ready || hop_ > inverseCapacity_) {
        ready = 0;
        heap.free(inverseSum_);
        inverseSum_ = nullptr;
        inverseCapacity_ = 0;
        inverseSum_ = heap.allocFloats(hop_);
        inverseCapacity_ = hop_;
    }
    if (!lineBuffer_.reset(ringCapacity_, kPiece))
        return false;
    line_ = lineBuffer_.data();
    fillGrainWindow(window_, grainLen_);
    fillInverseWindowSum(inverseSum_, window_, grainLen_, hop_);
    if (!ready || grainCount_ > grainCapacity_) {
        ready = 0;
        grains_.reset();
        grainCapacity_ = 0;
        grains_ = std::make_unique<Grain[]>(grainCount_);
        grainCapacity_ = grainCount_;
    }

    // Pre-start the grains of a stream that has been running.
    const auto lead = static_cast<int32_t>(factor_ < 1.0f ? static_cast<float>(grainLen_) * invFactor_
                                                          : static_cast<float>(grainLen_));
    const auto spacing = static_cast<int32_t>(static_cast<float>(hop_) * invFactor_);
    const uint32_t running = grainLen_ / hop_;
    for (uint32_t k = 0; k < grainCapacity_; ++k) {
        Grain& g = grains_[k];
        g = Grain{};
        if (k < running) {
            g.active = true;
            g.start = spacing * static_cast<int32_t>(k + 1) - lead;
            g.index = static_cast<int32_t>(grainLen_ - hop_ * (k + 1));
            g.length = grainLen_;
        }
    }
    lastGrain_ = static_cast<int32_t>(running) - 1;
    phase_ = grainLen_ - hop_ * (grainLen_ / hop_);
    bypassInUse_ = bypass_;
    factorInUse_ = factor_;
    invFactorInUse_ = invFactor_;
    startOffsetInUse_ = startOffset_;
    ready = 1;
    return true;
}

uint32_t StretchChannel::outputFor(uint32_t n) const
{
    return bypassInUse_ ? n : static_cast<uint32_t>(static_cast<float>(n) * factorInUse_);
}

uint32_t StretchChannel::boundFor(uint32_t n) const
{
    const float f = std::max(factorInUse_, factor_);
    return std::max(n, static_cast<uint32_t>(static_cast<float>(n) * f));
}

void StretchChannel::startGrain(uint32_t t, uint32_t n)
{
    for (uint32_t k = 0; k < grainCount_; ++k) {
        Grain& g = grains_[k];
        if (g.active)
            continue;
        g.active = true;
        g.index = 0;
        g.length = grainLen_;
        const float anchor = static_cast<float>(t + startOffsetInUse_) * invFactorInUse_;
        g.start = static_cast<int32_t>(anchor) - static_cast<int32_t>(startOffsetInUse_);
        if (!bypassInUse_ && lastGrain_ >= 0 && grains_[lastGrain_].active) {
            // Start reading where the input matches what the sounding grain reads now.
            const Grain& prev = grains_[lastGrain_];
            const int64_t end = int64_t(ringCapacity_) + n;
            const int64_t a = int64_t(ringCapacity_) + g.start;
            const int64_t b = int64_t(ringCapacity_) + prev.start + prev.index;
            const int64_t room = a - grain_alignment::kWindow - 1;
            const auto maxLag = static_cast<int32_t>(std::min<int64_t>(grain_alignment::kMaxLag, room));
            // Grains copy whole samples, so the lag is rounded.
            if (maxLag >= 2 && a <= end && b <= end && b >= grain_alignment::kWindow)
                g.start += static_cast<int32_t>(std::lround(grain_alignment::bestLag(line_, a, b, maxLag)));
        }
        lastGrain_ = static_cast<int32_t>(k);
        return;
    }
}

void StretchChannel::accumulate(const Grain& g, float* acc, uint32_t count, uint32_t n) const
{
    const float* w = window_ + g.index;
    const int64_t first = int64_t(g.start) + g.index;
    const float* base = line_ + ringCapacity_;
    const int64_t oldest = -int64_t(ringCapacity_);
    const int64_t newest = int64_t(n) - 1;
    if (first >= oldest && first + count - 1 <= newest) {
        kernels_->addWindowed(acc, base + first, w, count);
        return;
    }
    // Readings before the kept past take its oldest sample; past the block, its newest.
    for (uint32_t k = 0; k < count; ++k)
        acc[k] += base[std::clamp<int64_t>(first + k, oldest, newest)] * w[k];
}

uint32_t StretchChannel::processBlock(const float* in, float* out, uint32_t n)
{
    if (!ready || n > kPiece)
        return 0;
    kernels_ = &grainKernels();  // the vector path now
    float* block = line_ + ringCapacity_;
    std::memmove(block, in, n * sizeof(float));
    const uint32_t m = outputFor(n);
    if (bypassInUse_)
        std::memmove(out, block, n * sizeof(float));
    else
        std::fill(out, out + m, 0.0f);
    const uint32_t phase = phase_;
    advanceGrains(
        grains_.get(), grainCount_, phase_, hop_, m, bypassInUse_, [&](uint32_t t) { startGrain(t, n); },
        [&](Grain& g, uint32_t t, uint32_t count) { accumulate(g, out + t, count, n); });
    if (!bypassInUse_)
        normaliseGrains(out, inverseSum_, phase, hop_, m, gain_, kernels_->scale);
    for (uint32_t k = 0; k < grainCount_; ++k) {
        if (grains_[k].active)
            grains_[k].start -= static_cast<int32_t>(n);
    }
    bypassInUse_ = bypass_;
    factorInUse_ = factor_;
    invFactorInUse_ = invFactor_;
    startOffsetInUse_ = startOffset_;
    lineBuffer_.advance(n);
    line_ = lineBuffer_.data();
    return m;
}
