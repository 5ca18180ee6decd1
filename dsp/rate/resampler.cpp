#include "dsp/rate/resampler.h"

#include <algorithm>

#include "dsp/core/fast_heap.h"
#include "dsp/core/pcm_convert.h"

namespace {
constexpr float kRippleDb = 0.1f;
}

Resampler* Resampler::create(uint32_t frames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate,
                             uint32_t dstRate, int32_t interpolation, float stopbandDb, float slopeDbPerOctave,
                             bool antiAlias)
{
    // Negated comparisons also turn NaN away.
    if (srcRate == 0 || dstRate == 0 || !(stopbandDb > 0.0f) || !(slopeDbPerOctave > 0.0f))
        return nullptr;
    if (ResamplerChannel::mostFrom(frames, srcRate, dstRate) > kMaxOutFrames || frames > kMaxOutFrames)
        return nullptr;
    auto* r = new Resampler;
    r->allocBaseBuffers(frames, channels);
    r->outChannels = dstChannels == 2 ? 2 : 1;
    r->inRate = srcRate;
    r->outRate = dstRate;
    r->interpolation = interpolation;
    r->stopbandDb = stopbandDb;
    r->slopeDbPerOctave = slopeDbPerOctave;
    r->antiAlias = antiAlias;
    r->outCapacity_ = frames;
    r->initChannels(frames, srcRate);
    return r;
}

void Resampler::initChannels(uint32_t frames, uint32_t srcRate)
{
    for (ResamplerChannel& c : channels)
        c.init(frames, srcRate, outRate, interpolation, stopbandDb, slopeDbPerOctave, antiAlias, kRippleDb);
    maxOutFrames = channels[0].maxOut();
    growOutput(maxOutFrames);
}

void Resampler::growOutput(uint32_t frames)
{
    // The output buffers also serve as same-size scratch for the base class, so keep them at least
    // as long as the input buffers.
    const uint32_t need = std::max(frames, maxInFrames);
    if (need > outCapacity_ && growBuffers({&outL, &outR}, need))
        outCapacity_ = need;
}

void Resampler::allocBuffers(uint32_t frames, uint32_t channelCount, uint32_t rate)
{
    if (rate == 0 || frames > kMaxOutFrames || ResamplerChannel::mostFrom(frames, rate, outRate) > kMaxOutFrames)
        return;  // a format no channel could convert: keep the current one
    const bool grows = !buffersReady || frames > maxInFrames;
    allocBaseBuffers(frames, channelCount);
    if (grows)
        outCapacity_ = frames;  // the base reallocation resized outL/outR to frames
    inRate = rate;
    initChannels(frames, rate);
}

uint32_t Resampler::getDstSize(uint32_t srcFrames)
{
    return channels[0].dstSize(srcFrames);
}

uint32_t Resampler::processChannel(uint32_t channel, const float* in, float* out, uint32_t frames)
{
    return channels[channel == 1 ? 1 : 0].resampleBlock(in, out, frames);
}

uint32_t Resampler::process(const float* srcL, const float* srcR, float* dstL, float* dstR, uint32_t frames)
{
    const uint32_t n = channels[0].resampleBlock(srcL, dstL, frames);
    if (isStereo())
        channels[1].resampleBlock(srcR, dstR, frames);
    return n;
}

uint32_t Resampler::processPcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    if (srcBytes > maxInBytes())
        return 0;
    const uint32_t inCh = isStereo() ? 2 : 1;
    const uint32_t frames = srcBytes / (inCh * 2);
    pcm16ToFloat(src, frames * inCh * 2, inL, inR, inCh);
    const uint32_t n = process(inL, inR, outL, outR, frames);
    const uint32_t outCh = outChannels == 2 ? 2 : 1;
    // Mono in, stereo out: a null right channel duplicates the left.
    floatToPcm16(outL, inCh == 2 ? outR : nullptr, n, dst, outCh);
    return outCh * 2 * n;
}
