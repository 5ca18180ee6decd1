#include "dsp/rate/hqups.h"

#include <algorithm>

#include "dsp/core/fast_heap.h"
#include "dsp/core/pcm_convert.h"

namespace {
constexpr float kRippleDb = 0.1f;
}

bool Hqups::valid(const Settings& s)
{
    return s.srcRate > 0 && s.stopbandDb > 0.0f && s.slopeDbPerOctave > 0.0f;
}

uint32_t Hqups::srcSizeFor(uint32_t dstFrames, uint32_t srcRate)
{
    // The largest block whose output can never exceed dstFrames.
    return static_cast<uint32_t>(uint64_t(dstFrames) * srcRate / kOutRate);
}

uint32_t Hqups::srcSizeFor(uint32_t dstFrames) const
{
    return srcSizeFor(dstFrames, inRate);
}

Hqups* Hqups::createForOutput(uint32_t dstFrames, const Settings& s)
{
    if (!valid(s) || dstFrames == 0 || dstFrames > kMaxFrames)
        return nullptr;
    const uint32_t srcFrames = srcSizeFor(dstFrames, s.srcRate);
    if (srcFrames == 0 || srcFrames > kMaxFrames)
        return nullptr;
    auto* h = new Hqups;
    h->configure(srcFrames, s);
    return h;
}

Hqups* Hqups::createForSource(uint32_t srcFrames, const Settings& s)
{
    if (!valid(s) || srcFrames == 0 || srcFrames > kMaxFrames
        || ResamplerChannel::mostFrom(srcFrames, s.srcRate, kOutRate) > kMaxFrames)
        return nullptr;
    auto* h = new Hqups;
    h->configure(srcFrames, s);
    return h;
}

void Hqups::configure(uint32_t srcFrames, const Settings& s)
{
    allocBaseBuffers(srcFrames, s.channels);
    outChannels = s.dstChannels == 2 ? 2 : 1;
    harmonics = s.harmonics;
    mix = s.mix;
    // The band filter's cutoff must lie inside the output band.
    bandCutoff = std::clamp<uint32_t>(s.bandCutoff, 1, kOutRate / 2 - 1);
    interpolation = s.interpolation;
    stopbandDb = s.stopbandDb;
    slopeDbPerOctave = s.slopeDbPerOctave;
    activeMode = s.activeMode;
    antiAlias = s.antiAlias;
    outCapacity_ = srcFrames;
    sizeChannels(srcFrames, s.srcRate);
}

void Hqups::sizeChannels(uint32_t srcFrames, uint32_t srcRate)
{
    inRate = srcRate;
    outRate = kOutRate;
    uint32_t out = 0;
    for (ResamplerChannel& r : resamplers)
        out = r.init(srcFrames, srcRate, kOutRate, interpolation, stopbandDb, slopeDbPerOctave, antiAlias, kRippleDb);
    // Sized by what a full source block really yields, which can be a frame above the request.
    for (HarmonicsChannel& h : harmonicsChannels)
        h.init(out, kOutRate, harmonics, mix, bandCutoff, activeMode);
    maxOutFrames = out;
    const uint32_t need = std::max(out, maxInFrames);
    if (need > outCapacity_ && growBuffers({&outL, &outR, &scratchA, &scratchB}, need))
        outCapacity_ = need;
}

void Hqups::setHarmonics(float h)
{
    harmonics = h;
    for (HarmonicsChannel& c : harmonicsChannels)
        c.setHarmonics(h);
}

void Hqups::setMix(float value)
{
    mix = value;
    for (HarmonicsChannel& c : harmonicsChannels)
        c.setMix(value);
}

void Hqups::setActiveMode(int32_t mode)
{
    activeMode = mode;
    for (HarmonicsChannel& c : harmonicsChannels)
        c.setActiveMode(mode);
}

void Hqups::allocBuffers(uint32_t frames, uint32_t channelCount, uint32_t rate)
{
    if (rate == 0 || frames == 0 || frames > kMaxFrames
        || ResamplerChannel::mostFrom(frames, rate, kOutRate) > kMaxFrames)
        return;  // a format no channel could convert: keep the current one
    const bool grows = !buffersReady || frames > maxInFrames;
    allocBaseBuffers(frames, channelCount);
    if (grows)
        outCapacity_ = frames;  // the base reallocation resized every buffer to frames
    sizeChannels(frames, rate);
}

uint32_t Hqups::getDstSize(uint32_t srcFrames)
{
    return ResamplerChannel::mostFrom(srcFrames, inRate, kOutRate);
}

float Hqups::edgeFor(const float* x, uint32_t n)
{
    return harmonicsChannels[0].activeMode() == 1 ? harmonicsChannels[0].detectEdge(x, n) : 0.0f;
}

uint32_t Hqups::processChannel(uint32_t channel, const float* in, float* out, uint32_t frames)
{
    if (frames > maxInFrames)
        return 0;
    const uint32_t c = channel == 1 ? 1 : 0;
    const uint32_t m = resamplers[c].resampleBlock(in, scratchA, frames);
    HarmonicsChannel& h = harmonicsChannels[c];
    const float edge = h.activeMode() == 1 ? h.detectEdge(scratchA, m) : 0.0f;
    h.process(scratchA, out, m, edge);
    return m;
}

uint32_t Hqups::process(const float* srcL, const float* srcR, float* dstL, float* dstR, uint32_t frames)
{
    if (frames > maxInFrames)
        return 0;
    const uint32_t m = resamplers[0].resampleBlock(srcL, scratchA, frames);
    if (isStereo()) {
        resamplers[1].resampleBlock(srcR, scratchB, frames);
        // One edge for both channels, found on the mid signal (held in the right output for now).
        for (uint32_t i = 0; i < m; ++i)
            dstR[i] = (scratchA[i] + scratchB[i]) * 0.5f;
        const float edge = edgeFor(dstR, m);
        harmonicsChannels[1].process(scratchB, dstR, m, edge);
        harmonicsChannels[0].process(scratchA, dstL, m, edge);
    } else {
        harmonicsChannels[0].process(scratchA, dstL, m, edgeFor(scratchA, m));
    }
    return m;
}

uint32_t Hqups::processPcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    if (srcBytes > maxInBytes())
        return 0;
    const uint32_t inCh = isStereo() ? 2 : 1;
    const uint32_t frames = srcBytes / (inCh * 2);
    pcm16ToFloat(src, frames * inCh * 2, inL, inR, inCh);
    const uint32_t n = process(inL, inR, outL, outR, frames);
    const uint32_t outCh = outChannels == 2 ? 2 : 1;
    floatToPcm16(outL, inCh == 2 ? outR : nullptr, n, dst, outCh);
    return n * outCh * 2;
}
