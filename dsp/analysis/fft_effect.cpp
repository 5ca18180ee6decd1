#include "dsp/analysis/fft_effect.h"

#include <cstring>

#include "dsp/core/pcm_convert.h"

namespace {

bool validChannels(uint32_t channels) { return channels == 1 || channels == 2; }

}  // namespace

FftEffect* FftEffect::createBlockFft(uint32_t n, uint32_t channels, uint32_t spectra, uint32_t floorDb)
{
    if (!RealFft::validSize(n) || !validChannels(channels) || (spectra != 1 && spectra != 2))
        return nullptr;
    auto* e = new FftEffect;
    e->allocBaseBuffers(n, channels);
    e->outChannels = spectra;
    e->fftSize = n;
    for (WindowedBlock& b : e->blocks)
        b.setup(576, 1344, n, static_cast<float>(floorDb));
    return e;
}

FftEffect* FftEffect::createAnalyzer(uint32_t blockFrames, uint32_t channels, uint32_t n, uint32_t historyLen)
{
    if (!RealFft::validSize(n) || !validChannels(channels) || blockFrames == 0 || blockFrames > kMaxBlockFrames ||
        historyLen > kMaxHistory || historyLen < blockFrames || n > historyLen)
        return nullptr;
    auto* e = new FftEffect;
    e->allocBaseBuffers(blockFrames, channels);
    e->blockFrames = blockFrames;
    e->fftSize = n;
    for (SpectrumFrame& a : e->analysers)
        a.setup(blockFrames, historyLen, n, 120.0f);
    return e;
}

bool FftEffect::loadBlock(const int16_t* src, uint32_t srcBytes, uint32_t padTo, bool downMix)
{
    const uint32_t channels = isStereo() ? 2 : 1;
    if (srcBytes > maxInBytes() || (srcBytes != 0 && src == nullptr))
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
    if (!analysers[0].ready || dst == nullptr || !loadBlock(src, srcBytes, maxInFrames, false))
        return 0;
    analysers[0].transform(inL);
    analysers[0].toDecibels(dst);
    if (isStereo()) {
        analysers[1].transform(inR);
        analysers[1].toDecibels(dst + fftSize / 2);
    }
    return 1;
}
