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

uint32_t ResamplerChannel::scaledSize(uint32_t n, uint32_t from, uint32_t to)
{
    if (from == 0)
        return 0;
    const double v = (static_cast<double>(n) / from) * to;
    return v >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
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
        history_ = static_cast<float*>(heap.alloc((frames + 3u) * 4u));
    }
    maxIn_ = frames;
    maxOut_ = scaledSize(frames, srcRate, dstRate);
    direction_ = dstRate > srcRate ? 1 : (dstRate < srcRate ? -1 : 0);
    const double lo = std::min(srcRate, dstRate);
    const double hi = std::max(srcRate, dstRate);

    filter_.setOrder(filterOrder(stopbandDb, slopeDbPerOctave, rippleDb), 0);
    // The pass band ends As/S octaves below half the lower rate; the filter runs at the higher rate.
    filter_.designChebyshev(static_cast<float>(hi),
                            static_cast<float>(lo * 0.5 / std::pow(2.0, double(stopbandDb) / slopeDbPerOctave)),
                            rippleDb);

    std::memset(history_, 0, (frames + 3u) * sizeof(float));
    prevChunkLen_ = maxIn_;
    ready = 1;
    return maxOut_;
}

uint32_t ResamplerChannel::linearChunk(const float* src, uint32_t len, float* out, uint32_t cnt, double step)
{
    if (len == 1) {  // nothing to interpolate towards: hold the one sample
        std::fill(out, out + cnt, src[0]);
        return cnt;
    }
    double pos = 0.0;
    const uint32_t last = len - 2;
    for (uint32_t i = 0; i + 1 < cnt; ++i) {
        const uint32_t idx = std::min(static_cast<uint32_t>(pos), last);
        const float frac = static_cast<float>(pos - std::floor(pos));
        out[i] = src[idx] + frac * (src[idx + 1] - src[idx]);
        pos += step;
    }
    out[cnt - 1] = src[len - 1];
    return cnt;
}

uint32_t ResamplerChannel::cubicChunk(const float* src, uint32_t len, float* out, uint32_t cnt, double step)
{
    // The three samples that ended the previous chunk lead the history, then this chunk.
    std::memmove(history_, history_ + prevChunkLen_, 3 * sizeof(float));
    prevChunkLen_ = len;
    std::memcpy(history_ + 3, src, len * sizeof(float));
    if (cnt == 0)
        return 0;
    double pos = 1.0;
    const uint32_t last = std::max(len - 1, 1u);  // j - 1 stays inside the history for tiny chunks
    for (uint32_t i = 0; i + 1 < cnt; ++i) {
        const uint32_t j = std::min(static_cast<uint32_t>(pos), last);
        const float f = static_cast<float>(pos - std::trunc(pos));
        out[i] = static_cast<float>(cubicAt<double>(history_ + j - 1, f));
        pos += step;
    }
    out[cnt - 1] = history_[len];
    return cnt;
}

uint32_t ResamplerChannel::resampleBlock(const float* in, float* out, uint32_t n)
{
    if (!ready || n > maxIn_)
        return 0;
    const uint32_t total = dstSize(n);
    if (direction_ == 0) {
        // The count rule can fall one short of n; only the counted samples are written.
        fastCopy(in, out, total * 4u);
        return total;
    }
    const double step = static_cast<double>(srcRate_) / dstRate_;
    const auto perChunk = static_cast<uint32_t>(dstRate_ * (double(kChunk) / srcRate_));

    const float* src = in;
    if (direction_ < 0 && antiAlias_) {
        filter_.process(in, filtered_, n);
        src = filtered_;
    }
    uint32_t remainingIn = n;
    uint32_t remainingOut = total;
    float* dst = out;
    while (remainingIn > 0) {
        const uint32_t len = std::min(remainingIn, kChunk);
        const uint32_t cnt = std::min(remainingOut, perChunk);
        if (interpolation_ == 0) {
            if (cnt > 0)
                linearChunk(src, len, dst, cnt, step);
        } else {
            cubicChunk(src, len, dst, cnt, step);
        }
        remainingIn -= len;
        remainingOut -= cnt;
        src += len;
        dst += cnt;
    }
    // Truncation across chunks can leave the last positions of the counted output unwritten:
    // hold the last computed sample there (the last input when nothing was computed).
    const uint32_t written = total - remainingOut;
    if (remainingOut > 0) {
        const float hold = written > 0 ? out[written - 1] : (n > 0 ? in[n - 1] : 0.0f);
        std::fill(out + written, out + total, hold);
    }
    if (direction_ > 0 && antiAlias_)
        filter_.process(out, out, total);
    return total;
}
