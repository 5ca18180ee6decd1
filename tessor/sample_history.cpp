#include "tessor/sample_history.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdlib>

namespace {

int16_t toPcm16(float v)
{
    if (v != v)
        return 0;
    if (v <= -32768.0f)
        return -32768;
    if (v >= 32767.0f)
        return 32767;
    return static_cast<int16_t>(v);
}

// Extremes of the samples converted so far: in the vector registers lane by lane (a lane's channel
// is its index modulo the channel count), in the arrays per channel.
struct Extremes {
    __m128i hi = _mm_set1_epi16(0);
    __m128i lo = _mm_set1_epi16(0);
    int high[2] = {0, 0};
    int low[2] = {0, 0};
};

// Converts count samples as toPcm16 does, eight at a time, and widens the extremes. The run starts
// on a frame, so sample i belongs to channel i % channels.
void convertRun(const float* src, int16_t* dst, uint32_t count, uint32_t channels, Extremes& e)
{
    const __m128 top = _mm_set1_ps(32767.0f);
    const __m128 bottom = _mm_set1_ps(-32768.0f);
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128 a = _mm_loadu_ps(src + i);
        __m128 b = _mm_loadu_ps(src + i + 4);
        a = _mm_and_ps(a, _mm_cmpord_ps(a, a));  // NaN to 0
        b = _mm_and_ps(b, _mm_cmpord_ps(b, b));
        a = _mm_min_ps(_mm_max_ps(a, bottom), top);
        b = _mm_min_ps(_mm_max_ps(b, bottom), top);
        const __m128i s = _mm_packs_epi32(_mm_cvttps_epi32(a), _mm_cvttps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);
        e.hi = _mm_max_epi16(e.hi, s);
        e.lo = _mm_min_epi16(e.lo, s);
    }
    for (; i < count; ++i) {
        const int16_t s = toPcm16(src[i]);
        dst[i] = s;
        const uint32_t c = i % channels;
        e.high[c] = std::max<int>(e.high[c], s);
        e.low[c] = std::min<int>(e.low[c], s);
    }
}

}  // namespace

SampleHistory::SampleHistory(uint32_t channels) : channels_(channels), ring_(static_cast<size_t>(kFrames) * channels, 0)
{ }

void SampleHistory::push(const float* samples, uint32_t frames)
{
    Extremes e;
    std::lock_guard<std::mutex> lock(mutex_);
    // At most two runs: to the end of the ring, then from its start.
    uint32_t done = 0;
    while (done < frames) {
        const uint32_t n = std::min(frames - done, kFrames - writeFrame_);
        convertRun(samples + static_cast<size_t>(done) * channels_,
                   &ring_[static_cast<size_t>(writeFrame_) * channels_], n * channels_, channels_, e);
        writeFrame_ = (writeFrame_ + n) % kFrames;
        done += n;
    }
    alignas(16) int16_t hi[8];
    alignas(16) int16_t lo[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(hi), e.hi);
    _mm_store_si128(reinterpret_cast<__m128i*>(lo), e.lo);
    int peak[2] = {0, 0};
    for (uint32_t lane = 0; lane < 8; ++lane) {
        const uint32_t c = lane % channels_;
        peak[c] = std::max({peak[c], static_cast<int>(hi[lane]), -static_cast<int>(lo[lane])});
    }
    for (uint32_t c = 0; c < channels_; ++c)
        peak[c] = std::max({peak[c], e.high[c], -e.low[c]});
    peak_[0] = static_cast<int16_t>(std::min(peak[0], 32767));
    peak_[1] = channels_ == 2 ? static_cast<int16_t>(std::min(peak[1], 32767)) : peak_[0];
}

void SampleHistory::level(int16_t* pair) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    pair[0] = peak_[0];
    pair[1] = peak_[1];
}

void SampleHistory::latest(int16_t* dst, uint32_t frames) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    uint32_t from = (writeFrame_ + kFrames - frames) % kFrames;
    for (uint32_t f = 0; f < frames; ++f) {
        std::copy_n(&ring_[static_cast<size_t>(from) * channels_], channels_, dst + static_cast<size_t>(f) * channels_);
        from = (from + 1) % kFrames;
    }
}
