#include "dsp/rate/resampler_channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/core/fast_heap.h"
#include "dsp/core/pcm_convert.h"
#include "dsp/rate/cubic_kernel.h"

ResamplerChannel::~ResamplerChannel()
{
    FastHeap::instance().free(filtered_);
    FastHeap::instance().free(history_);
}

uint32_t ResamplerChannel::mostFrom(uint32_t n, uint32_t from, uint32_t to)
{
    if (from == 0)
        return 0;
    const uint64_t v = (uint64_t(n) * to + from - 1) / from;
    return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

int32_t ResamplerChannel::filterOrder(double stopbandDb, double slopeDbPerOctave, double rippleDb)
{
    const auto acosh = [](double x) { return std::log(x + std::sqrt(x * x - 1.0)); };
    const double k = std::sqrt((std::pow(10.0, 0.1 * stopbandDb) - 1.0) / (std::pow(10.0, 0.1 * rippleDb) - 1.0));
    const double n = acosh(k) / acosh(std::pow(2.0, stopbandDb / slopeDbPerOctave)) + 1.0;
    // Extreme attenuations overflow to infinity; the cascade holds at most kMaxOrder sections' worth.
    if (!(n >= 1.0))
        return 1;
    return n >= BiquadCascade::kMaxOrder ? BiquadCascade::kMaxOrder : static_cast<int32_t>(n);
}

uint32_t ResamplerChannel::init(uint32_t frames, uint32_t srcRate, uint32_t dstRate, int32_t interpolation,
                                float stopbandDb, float slopeDbPerOctave, bool antiAlias, float rippleDb)
{
    srcRate_ = srcRate;
    dstRate_ = dstRate;
    interpolation_ = interpolation;
    antiAlias_ = antiAlias;
    FastHeap& heap = FastHeap::instance();
    if (!ready || frames > maxIn_) {
        heap.free(filtered_);
        heap.free(history_);
        filtered_ = static_cast<float*>(heap.alloc(frames * 4u));
        history_ = static_cast<float*>(heap.alloc((frames + kHistory) * 4u));
    }
    maxIn_ = frames;
    maxOut_ = mostFrom(frames, srcRate, dstRate);
    direction_ = dstRate > srcRate ? 1 : (dstRate < srcRate ? -1 : 0);
    const double lo = std::min(srcRate, dstRate);
    const double hi = std::max(srcRate, dstRate);

    filter_.setOrder(filterOrder(stopbandDb, slopeDbPerOctave, rippleDb), 0);
    // The pass band ends As/S octaves below half the lower rate; the filter runs at the higher rate.
    filter_.designChebyshev(static_cast<float>(hi),
                            static_cast<float>(lo * 0.5 / std::pow(2.0, double(stopbandDb) / slopeDbPerOctave)),
                            rippleDb);

    std::memset(history_, 0, (frames + kHistory) * sizeof(float));
    whole_ = srcRate / dstRate;  // output 0 lies one output period in
    part_ = srcRate % dstRate;
    ready = 1;
    return maxOut_;
}

float ResamplerChannel::interpolate(const float* x) const
{
    const int64_t at = whole_ - (interpolation_ == 0 ? 1 : 2);
    if (part_ == 0)
        return x[at];  // on a sample: the next one may not have arrived
    const double f = static_cast<double>(part_) / dstRate_;
    if (interpolation_ == 0)
        return x[at] + static_cast<float>(f) * (x[at + 1] - x[at]);
    return static_cast<float>(cubicAt<double>(x + at - 1, f));
}

void ResamplerChannel::advance()
{
    whole_ += srcRate_ / dstRate_;
    part_ += srcRate_ % dstRate_;
    if (part_ >= dstRate_) {
        part_ -= dstRate_;
        ++whole_;
    }
}

uint32_t ResamplerChannel::resampleBlock(const float* in, float* out, uint32_t n)
{
    if (!ready || n > maxIn_)
        return 0;
    if (direction_ == 0) {
        fastCopy(in, out, n * 4u);
        return n;
    }
    const float* src = in;
    if (direction_ < 0 && antiAlias_) {
        filter_.process(in, filtered_, n);
        src = filtered_;
    }
    if (n > 0)
        std::memcpy(history_ + kHistory, src, n * sizeof(float));
    const float* x = history_ + kHistory;
    // Every output whose position has been reached (position <= n) is delivered now.
    uint32_t count = 0;
    while (whole_ < n || (whole_ == n && part_ == 0)) {
        out[count++] = interpolate(x);
        advance();
    }
    whole_ -= n;
    std::memmove(history_, history_ + n, kHistory * sizeof(float));
    if (direction_ > 0 && antiAlias_)
        filter_.process(out, out, count);
    return count;
}
