#include "dsp/filters/shelving_eq_channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsp/filters/shelving_design.h"

namespace {

float dbToLinear(float db)
{
    return float(std::pow(10.0, 0.05 * db));
}

}  // namespace

bool ShelvingEQChannel::prepare(uint32_t n)
{
    if (!Radix2Transform::isPowerOfTwo(2 * n) || n == 0)
        return false;
    if (!ready || n > n_) {
        const uint32_t taps = 4 * n - 1;
        h_ = std::make_unique<float[]>(taps);
        window_ = std::make_unique<float[]>(taps);
        sampled_ = std::make_unique<float[]>(2 * n);
        r_ = std::make_unique<float[]>(2 * n);
        re_ = std::make_unique<float[]>(2 * n);
        im_ = std::make_unique<float[]>(2 * n);
        history_ = std::make_unique<float[]>(taps - 1 + kChunk);  // value-initialised: silence
        acc_ = std::make_unique<float[]>(kChunk);
    }
    n_ = n;
    transform_.setSize(2 * n);
    shelvingWindow(4 * n - 1, window_.get());
    ready = 1;
    return true;
}

void ShelvingEQChannel::redesign()
{
    shelvingTaps(sampled_.get(), n_, window_.get(), transform_, re_.get(), im_.get(), h_.get(), r_.get());
}

void ShelvingEQChannel::design(const float* gainsDb, float outputLevelDb)
{
    for (uint32_t i = 0; i < n_; ++i) {
        sampled_[i] = dbToLinear(gainsDb[i]);
        sampled_[n_ + i] = dbToLinear(gainsDb[n_ - 1 - i]);
    }
    redesign();
    setOutputLevel(outputLevelDb);
}

void ShelvingEQChannel::setGain(uint32_t band, float gainDb)
{
    sampled_[band] = sampled_[2 * n_ - 1 - band] = dbToLinear(gainDb);
    redesign();
}

void ShelvingEQChannel::setOutputLevel(float outputLevelDb)
{
    outputFactor_ = dbToLinear(outputLevelDb);
}

// Convolves the chunk sitting after the delay line. Each output sums h[0] x + h[1] d[0] + ...
// in tap order; the loops run across outputs so they vectorise without reordering any sum.
void ShelvingEQChannel::filterChunk(float* out, uint32_t frames)
{
    const uint32_t past = tapCount() - 1;
    const float* x = history_.get() + past;
    float* acc = acc_.get();
    const float h0 = h_[0];
    for (uint32_t i = 0; i < frames; ++i)
        acc[i] = h0 * x[i];
    for (uint32_t j = 1; j <= past; ++j) {
        const float hj = h_[j];
        const float* src = x - j;
        for (uint32_t i = 0; i < frames; ++i)
            acc[i] += hj * src[i];
    }
    for (uint32_t i = 0; i < frames; ++i)
        out[i] = acc[i] * outputFactor_;
    std::memmove(history_.get(), history_.get() + frames, past * sizeof(float));
}

uint32_t ShelvingEQChannel::process(const float* in, float* out, uint32_t frames)
{
    if (!ready)
        return 0;
    const uint32_t past = tapCount() - 1;
    for (uint32_t done = 0; done < frames;) {
        const uint32_t m = std::min(frames - done, kChunk);
        std::memcpy(history_.get() + past, in + done, m * sizeof(float));
        filterChunk(out + done, m);
        done += m;
    }
    return frames;
}
