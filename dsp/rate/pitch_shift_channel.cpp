#include "dsp/rate/pitch_shift_channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/core/fast_heap.h"
#include "dsp/rate/grain_alignment.h"
#include "dsp/rate/grain_kernels.h"

namespace {
constexpr float kMaxCents = 1200.0f;
constexpr float kFilterRippleDb = 1.0f;
constexpr int32_t kFilterOrder = 10;
}  // namespace

PitchShiftChannel::~PitchShiftChannel()
{
    FastHeap& heap = FastHeap::instance();
    heap.free(window_);
    heap.free(inverseSum_);
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
    ringLen_ = 3 * grainLen_ + 3;
    if (!lineBuffer_.reset(ringLen_, kChunk))
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
        g.readIndex = 0;
        g.length = grainLen_;
        if (!bypassInUse_ && lastGrain_ >= 0 && grains_[lastGrain_].active) {
            // Start reading where the input matches what the sounding grain reads now.
            const Grain& prev = grains_[lastGrain_];
            const int64_t a = int64_t(ringLen_) + g.start - 1;
            const double prevPos = double(ringLen_) + prev.start + readOffsetOf(prev) - 1.0;
            const auto b = static_cast<int64_t>(std::lround(prevPos));
            const int64_t room = a - grain_alignment::kWindow - 1;
            const auto maxLag = static_cast<int32_t>(std::min<int64_t>(grain_alignment::kMaxLag, room));
            if (maxLag >= 2 && b >= grain_alignment::kWindow && b <= int64_t(ringLen_) + t) {
                // The fraction the sounding grain sits off a whole sample is carried over as well.
                const double lag = grain_alignment::bestLag(line_, a, b, maxLag) + (prevPos - double(b));
                const double whole = std::floor(lag);
                g.start += static_cast<int32_t>(whole);
                g.readOffset = static_cast<float>(lag - whole);
            }
        }
        lastGrain_ = static_cast<int32_t>(k);
        return;
    }
}

float PitchShiftChannel::readOffsetOf(const Grain& g) const
{
    return g.readOffset + static_cast<float>(g.index - g.readIndex) * ratioInUse_;
}

void PitchShiftChannel::accumulate(const Grain& g, float* acc, uint32_t count, uint32_t n) const
{
    const float* w = window_ + g.index;
    const int32_t first = g.index - g.readIndex;
    const float ratio = ratioInUse_;
    const bool cubic = interpolation_ != 0;
    // Line index of the first neighbour read for interpolation position 0 and the range of
    // positions whose neighbours all lie inside the line (past and this chunk).
    const int32_t origin = static_cast<int32_t>(ringLen_) + g.start - (cubic ? 3 : 1);
    const int32_t lo = 0;
    const int32_t hi = static_cast<int32_t>(ringLen_ + n) - (cubic ? 4 : 2);
    const auto positionOf = [&](uint32_t k) {
        return origin
            + static_cast<int32_t>(g.readOffset + static_cast<float>(first + static_cast<int32_t>(k)) * ratio);
    };
    const auto run = cubic ? kernels_->addCubic : kernels_->addLinear;
    // Positions only grow, so the ends tell whether the whole run reads inside the line.
    if (count == 0 || (positionOf(0) >= lo && positionOf(count - 1) <= hi)) {
        run(acc, line_ + origin, w, g.readOffset, ratio, first, count);
        return;
    }
    // Rounding drifted a reading past the line's ends: those readings take the end sample.
    const float* sample = line_ + (cubic ? 1 : 0);
    for (uint32_t k = 0; k < count; ++k) {
        const int32_t p = positionOf(k);
        if (p < lo)
            acc[k] += sample[lo] * w[k];
        else if (p > hi)
            acc[k] += sample[hi] * w[k];
        else
            run(acc + k, line_ + origin, w + k, g.readOffset, ratio, first + static_cast<int32_t>(k), 1);
    }
}

void PitchShiftChannel::runGrains(float* out, uint32_t n)
{
    kernels_ = &grainKernels();  // the vector path now
    const float* chunk = line_ + ringLen_;
    if (bypassInUse_)
        std::memmove(out, chunk, n * sizeof(float));
    else
        std::fill(out, out + n, 0.0f);
    const uint32_t phase = phase_;
    advanceGrains(
        grains_.get(), grainCount_, phase_, hop_, n, bypassInUse_,
        [&](uint32_t t) { startGrain(static_cast<int32_t>(t)); },
        [&](Grain& g, uint32_t t, uint32_t count) { accumulate(g, out + t, count, n); });
    if (!bypassInUse_)
        normaliseGrains(out, inverseSum_, phase, hop_, n, gain_, kernels_->scale);
}

void PitchShiftChannel::endChunk(uint32_t n)
{
    // Grains hold their reading still while bypassed and keep the distance read so far when the
    // rate changes: both re-anchor the reading at the grain's current output.
    if (bypassInUse_ || ratio_ != ratioInUse_) {
        for (uint32_t k = 0; k < grainCount_; ++k) {
            Grain& g = grains_[k];
            if (!bypassInUse_)
                g.readOffset = readOffsetOf(g);
            g.readIndex = g.index;
        }
    }
    ratioInUse_ = ratio_;
    startOffsetInUse_ = startOffset_;
    bypassInUse_ = bypass_;
    for (uint32_t k = 0; k < grainCount_; ++k) {
        if (grains_[k].active)
            grains_[k].start -= static_cast<int32_t>(n);
    }
    lineBuffer_.advance(n);
    line_ = lineBuffer_.data();
}
