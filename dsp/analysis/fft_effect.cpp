#include "dsp/analysis/fft_effect.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "dsp/core/pcm_convert.h"

namespace {

bool validChannels(uint32_t channels)
{
    return channels == 1 || channels == 2;
}

}  // namespace

FftEffect* FftEffect::createBlockFft(uint32_t n, uint32_t channels, uint32_t spectra, uint32_t floorDb)
{
    if (!RealFft::validSize(n) || !validChannels(channels) || (spectra != 1 && spectra != 2))
        return nullptr;
    auto e = std::make_unique<FftEffect>();  // freed if a set-up step throws
    e->allocBaseBuffers(n, channels);
    e->outChannels = spectra;
    e->fftSize = n;
    for (WindowedBlock& b : e->blocks)
        b.setup(576, 1344, n, static_cast<float>(floorDb));
    return e.release();
}

FftEffect* FftEffect::createAnalyzer(uint32_t blockFrames, uint32_t channels, uint32_t n, uint32_t historyLen)
{
    if (!RealFft::validSize(n) || !validChannels(channels) || blockFrames == 0 || blockFrames > kMaxBlockFrames
        || historyLen > kMaxHistory || historyLen < blockFrames || n > historyLen)
        return nullptr;
    auto e = std::make_unique<FftEffect>();  // freed if a set-up step throws
    e->allocBaseBuffers(blockFrames, channels);
    e->blockFrames = blockFrames;
    e->fftSize = n;
    for (SpectrumFrame& a : e->analysers)
        a.setup(blockFrames, historyLen, n, 120.0f);
    return e.release();
}

FftEffect* FftEffect::createEnvelope(uint32_t blockFrames, uint32_t channels, uint32_t rate)
{
    if (!validChannels(channels) || blockFrames == 0 || blockFrames > kMaxBlockFrames || rate == 0 || rate > kMaxRate)
        return nullptr;
    auto e = std::make_unique<FftEffect>();  // freed if a set-up step throws
    e->allocBaseBuffers(blockFrames, channels);
    e->blockFrames = blockFrames;
    for (EnvelopeFollower& f : e->envelopes)
        f.setup(blockFrames, static_cast<float>(rate), 2, 33.0f, 1.0f, false, 1.0f);
    return e.release();
}

// The buffers may have been re-sized by a chain since set-up, so the limit is checked against both.
bool FftEffect::acceptable(const int16_t* src, uint32_t srcBytes, uint32_t frameLimit) const
{
    return maxInFrames >= frameLimit && srcBytes <= maxInBytes() && (srcBytes == 0 || src != nullptr);
}

bool FftEffect::loadBlock(const int16_t* src, uint32_t srcBytes, uint32_t padTo, bool downMix)
{
    const uint32_t channels = isStereo() ? 2 : 1;
    if (!acceptable(src, srcBytes, padTo))
        return false;
    const uint32_t frames = pcm16ToFloat(src, srcBytes, inL, downMix ? nullptr : inR, channels);
    if (frames < padTo) {
        std::memset(inL + frames, 0, (padTo - frames) * sizeof(float));
        if (channels == 2 && !downMix)
            std::memset(inR + frames, 0, (padTo - frames) * sizeof(float));
    }
    return true;
}

uint32_t FftEffect::blockSpectra(const int16_t* src, float* dst, uint32_t srcBytes)
{
    const bool perChannel = outChannels == 2 && isStereo();
    if (!blocks[0].ready || dst == nullptr || !loadBlock(src, srcBytes, fftSize, !perChannel))
        return 0;
    blocks[0].transform(inL);
    const uint32_t bins = blocks[0].toDecibels(dst);
    if (perChannel) {
        blocks[1].transform(inR);
        blocks[1].toDecibels(dst + fftSize / 2);
    }
    return bins;
}

uint32_t FftEffect::analyze(const int16_t* src, float* dst, uint32_t srcBytes)
{
    if (!analysers[0].ready || dst == nullptr || !loadBlock(src, srcBytes, blockFrames, false))
        return 0;
    analysers[0].transform(inL);
    analysers[0].toDecibels(dst);
    if (isStereo()) {
        analysers[1].transform(inR);
        analysers[1].toDecibels(dst + fftSize / 2);
    }
    return 1;
}

uint32_t FftEffect::envelope(const int16_t* src, float* dst, uint32_t srcBytes)
{
    if (!envelopes[0].ready || !acceptable(src, srcBytes, 0) || srcBytes / (isStereo() ? 4 : 2) > blockFrames)
        return 0;
    const uint32_t frames = pcm16ToFloat(src, srcBytes, inL, inR, isStereo() ? 2 : 1);
    envelopes[0].process(inL, outL, frames);
    if (isStereo())
        envelopes[1].process(inR, outR, frames);
    if (dst != nullptr) {
        for (uint32_t i = 0; i < frames; ++i)
            dst[i] = static_cast<float>(std::trunc(32767.0 * outL[i]));
        if (isStereo())
            for (uint32_t i = 0; i < frames; ++i)
                dst[frames + i] = static_cast<float>(std::trunc(32767.0 * outR[i]));
    }
    return 1;
}
