#include "dsp/rate/pitch_shift_channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/core/fast_heap.h"
#include "dsp/rate/cubic_kernel.h"
#include "dsp/rate/grain_alignment.h"

namespace {
constexpr float kMaxCents = 1200.0f;
constexpr float kFilterRippleDb = 1.0f;
constexpr int32_t kFilterOrder = 10;
}  // namespace

PitchShiftChannel::~PitchShiftChannel()
{
    FastHeap& heap = FastHeap::instance();
    heap.free(line_);
    heap.free(window_);
    heap.free(wsum_);
    delete[] grains_;
}

bool PitchShiftChannel::sizesFor(float rate, float grainTime, float grainInterval, Sizes& sizes)
{
    const float len = grainSamples(grainTime, rate);
    const float hop = rate * grainInterval;
    // Negated comparisons turn NaN away as well as lengths under one sample.
    if (!(len >= 1.0f) || !(len <= float(kMaxGrainLen)) || !(hop >= 1.0f) || !(hop <= float(kMaxGrainLen)))
        return false;
    sizes.grainLen = static_cast<uint32_t>(len);
    sizes.hop = static_cast<uint32_t>(hop);
    return true;
}

bool PitchShiftChannel::setPitch(float cents)
{
    if (!std::isfinite(cents))
        return false;
    bypass_ = cents == 0.0f;
    pitchCents_ = std::clamp(cents, -kMaxCents, kMaxCents);
    ratio_ = std::pow(2.0f, pitchCents_ / 1200.0f);
    const float len = static_cast<float>(grainLen_);
    // A grain that reads faster than real time starts far enough back to end at the present.
    startOffset_ = pitchCents_ < 0.0f ? 0 : static_cast<int32_t>(len - ratio_ * len);
    redesign_ = true;
    return true;
}

bool PitchShiftChannel::setOutLevel(float outLevelDb)
{
    if (!std::isfinite(outLevelDb))
        return false;
    gain_ = std::pow(10.0f, 0.05f * outLevelDb);
    return true;
}

bool PitchShiftChannel::init(float rate, float cents, float outLevelDb, float grainTime, float grainInterval,
                             int32_t interpolation, bool antiAlias)
{
    Sizes sizes{};
    if (!sizesFor(rate, grainTime, grainInterval, sizes) || !std::isfinite(cents) || !std::isfinite(outLevelDb))
        return false;
    sampleRate_ = rate;
    grainLen_ = sizes.grainLen;
    interpolation_ = interpolation;
    antiAlias_ = antiAlias;
    if (!ready)
        filter_.setOrder(kFilterOrder, 0);
    setPitch(cents);
    hop_ = sizes.hop;
    grainCount_ = grainLen_ / hop_ + 1;
    setOutLevel(outLevelDb);

    FastHeap& heap = FastHeap::instance();
    if (!ready || grainLen_ > windowCapacity_) {
        ringLen_ = 3 * grainLen_ + 3;
        heap.free(line_);
        heap.free(window_);
        line_ = static_cast<float*>(heap.alloc((ringLen_ + kChunk) * 4u));
        window_ = static_cast<float*>(heap.alloc(grainLen_ * 4u));
        windowCapacity_ = grainLen_;
    }
    if (wsum_ == nullptr)
        wsum_ = static_cast<float*>(heap.alloc(kChunk * 4u));
    std::memset(line_, 0, ringLen_ * sizeof(float));
    fillGrainWindow(window_, grainLen_);
    if (!ready || grainCount_ > grainCapacity_) {
        delete[] grains_;
        grains_ = new Grain[grainCount_];
        grainCapacity_ = grainCount_;
    }

    // Pre-start the grains that would be running had the stream been playing for a while.
    const auto lead = static_cast<int32_t>(pitchCents_ >= 0.0f ? static_cast<float>(grainLen_) * ratio_
                                                                : static_cast<float>(grainLen_));
    const uint32_t running = grainLen_ / hop_;
    for (uint32_t k = 0; k < grainCapacity_; ++k) {
        Grain& g = grains_[k];
        g = Grain{};
        if (k < running) {
            const auto h = static_cast<int32_t>(hop_ * (k + 1));
            g.active = true;
            g.start = h - lead;
            g.index = static_cast<int32_t>(grainLen_) - h;
            g.length = grainLen_;
            g.readOffset = static_cast<float>(g.index) * ratio_;
        }
    }
    lastGrain_ = static_cast<int32_t>(running) - 1;
    phase_ = grainLen_ % hop_;
    ratioInUse_ = ratio_;
    startOffsetInUse_ = startOffset_;
    bypassInUse_ = bypass_;
    ready = 1;
    return true;
}

void PitchShiftChannel::process(const float* in, float* out, uint32_t n)
{
    if (!ready)
        return;
    if (n == 0)
        endChunk(0);  // an empty block makes a pending pitch current
    while (n > 0) {
        const uint32_t len = std::min(n, kChunk);
        processChunk(in, out, len);
        in += len;
        out += len;
        n -= len;
    }
}

void PitchShiftChannel::processChunk(const float* in, float* out, uint32_t n)
{
    float* chunk = line_ + ringLen_;
    if (bypass_ || !antiAlias_) {
        std::memmove(chunk, in, n * sizeof(float));
        runGrains(out, n);
    } else if (ratio_ > 1.0f) {
        // Shifting up compresses the spectrum upwards: band-limit the input first.
        if (redesign_) {
            filter_.designChebyshev(sampleRate_, (0.5f / ratio_) * sampleRate_, kFilterRippleDb);
            redesign_ = false;
        }
        filter_.process(in, chunk, n);
        runGrains(out, n);
    } else {
        if (redesign_) {
            filter_.designChebyshev(sampleRate_, 0.5f * sampleRate_ * ratio_, kFilterRippleDb);
            redesign_ = false;
        }
        std::memmove(chunk, in, n * sizeof(float));
        runGrains(out, n);
        filter_.process(out, out, n);
    }
    endChunk(n);
}

void PitchShiftChannel::startGrain(int32_t t)
{
    for (uint32_t k = 0; k < grainCount_; ++k) {
        Grain& g = grains_[k];
        if (g.active)
            continue;
        g.active = true;
        g.start = startOffsetInUse_ + t;
        g.index = 0;
        g.readOffset = 0.0f;
        g.length = grainLen_;
        if (!bypassInUse_ && lastGrain_ >= 0 && grains_[lastGrain_].active) {
            // Start reading where the input matches what the sounding grain reads now.
            const Grain& prev = grains_[lastGrain_];
            const int64_t a = int64_t(ringLen_) + g.start - 1;
            const double prevPos = double(ringLen_) + prev.start + prev.readOffset - 1.0;
            const auto b = static_cast<int64_t>(std::lround(prevPos));
            const int64_t room = a - grain_alignment::kWindow - 1;
            const auto maxLag = static_cast<int32_t>(std::min<int64_t>(grain_alignment::kMaxLag, room));
            if (maxLag >= 2 && b >= grain_alignment::kWindow && b <= int64_t(ringLen_) + t) {
                // The fraction the sounding grain sits off a whole sample is carried over as well.
                const double lag = grain_alignment::bestLag(line_, a, b, maxLag, grain_alignment::kWindow) +
                                   (prevPos - double(b));
                const double whole = std::floor(lag);
                g.start += static_cast<int32_t>(whole);
                g.readOffset = static_cast<float>(lag - whole);
            }
        }
        lastGrain_ = static_cast<int32_t>(k);
        return;
    }
}

void PitchShiftChannel::accumulate(Grain& g, float* acc, float* wsum, uint32_t count, uint32_t n) const
{
    const float* w = window_ + g.index;
    const float ratio = ratioInUse_;
    float offset = g.readOffset;
    // Positions are taken relative to line_[0]; the clamps keep every neighbour inside the line
    // even if rounding drifts a reading past the newest sample.
    const float lo = interpolation_ == 0 ? 0.0f : 1.0f;
    const float hi = static_cast<float>(ringLen_ + n) - (interpolation_ == 0 ? 2.0f : 3.0f);
    const float anchor = static_cast<float>(static_cast<int32_t>(ringLen_) + g.start) - (interpolation_ == 0 ? 1.0f : 2.0f);
    if (interpolation_ == 0) {
        for (uint32_t k = 0; k < count; ++k) {
            const float p = std::clamp(anchor + offset, lo, hi);
            const auto i = static_cast<int32_t>(p);
            const float f = p - static_cast<float>(i);
            const float s = line_[i] + f * (line_[i + 1] - line_[i]);
            acc[k] += s * w[k];
            wsum[k] += w[k];
            offset += ratio;
        }
    } else {
        for (uint32_t k = 0; k < count; ++k) {
            const float p = std::clamp(anchor + offset, lo, hi);
            const auto i = static_cast<int32_t>(p);
            const float s = cubicAt<float>(line_ + i - 1, p - static_cast<float>(i));
            acc[k] += s * w[k];
            wsum[k] += w[k];
            offset += ratio;
        }
    }
    g.readOffset = offset;
}

void PitchShiftChannel::runGrains(float* out, uint32_t n)
{
    const float* chunk = line_ + ringLen_;
    if (bypassInUse_) {
        std::memmove(out, chunk, n * sizeof(float));
    } else {
        std::fill(out, out + n, 0.0f);
        std::fill(wsum_, wsum_ + n, 0.0f);
    }
    advanceGrains(
        grains_, grainCount_, phase_, hop_, n, bypassInUse_, [&](uint32_t t) { startGrain(static_cast<int32_t>(t)); },
        [&](Grain& g, uint32_t t, uint32_t count) { accumulate(g, out + t, wsum_ + t, count, n); });
    if (!bypassInUse_) {
        for (uint32_t i = 0; i < n; ++i)
            out[i] = wsum_[i] > 0.0f ? (gain_ / wsum_[i]) * out[i] : 0.0f;
    }
}

void PitchShiftChannel::endChunk(uint32_t n)
{
    ratioInUse_ = ratio_;
    startOffsetInUse_ = startOffset_;
    bypassInUse_ = bypass_;
    for (uint32_t k = 0; k < grainCount_; ++k) {
        if (grains_[k].active)
            grains_[k].start -= static_cast<int32_t>(n);
    }
    // The newest ringLen samples (past and this chunk) become the past of the next chunk.
    std::memmove(line_, line_ + n, ringLen_ * sizeof(float));
}
