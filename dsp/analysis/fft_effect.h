#pragma once

#include <cstdint>

#include "dsp/analysis/windowed_block.h"
#include "dsp/core/dsp_effect.h"
#include "dsp/core/envelope_follower.h"
#include "dsp/core/spectrum_frame.h"

// The FFT family's object: block spectra (doFft), the overlapped spectrum analyser and the
// envelope analyser; each handle is created for one of the three. It
// produces float values rather than PCM, so the chain's processing slots do nothing.
// outChannels holds the number of spectra for doFft.
class FftEffect : public DspEffect {
public:
    // Largest block the family accepts, so buffer sizes stay far from 32-bit overflow.
    static constexpr uint32_t kMaxBlockFrames = 1u << 20;
    static constexpr uint32_t kMaxHistory = 1u << 22;
    static constexpr uint32_t kMaxRate = 1000000;

    FftEffect() { type = EffectType::Fft; }

    // Null when n is not a power of two in 4..32768, channels not 1 or 2, or spectra not 1 or 2.
    static FftEffect* createBlockFft(uint32_t n, uint32_t channels, uint32_t spectra, uint32_t floorDb);
    // Null unless n is a valid size, 1 <= blockFrames <= historyLen, n <= historyLen, and channels is 1 or 2.
    static FftEffect* createAnalyzer(uint32_t blockFrames, uint32_t channels, uint32_t n, uint32_t historyLen);

    // Null unless 1 <= blockFrames <= kMaxBlockFrames, channels is 1 or 2 and 1 <= rate <= kMaxRate.
    static FftEffect* createEnvelope(uint32_t blockFrames, uint32_t channels, uint32_t rate);

    uint32_t processChannel(uint32_t, const float*, float*, uint32_t) override { return 0; }
    uint32_t process(const float*, const float*, float*, float*, uint32_t) override { return 0; }
    uint32_t processPcm16(const int16_t*, int16_t*, uint32_t) override { return 0; }

    // Spectra of one block of at most N frames, zero-padded: N/2 values per spectrum written
    // (channel 1's after channel 0's). Returns N/2, or 0 for an oversized block, null pointers or an analyser object.
    uint32_t blockSpectra(const int16_t* src, float* dst, uint32_t srcBytes);
    // Appends a block of at most blockFrames frames (zero-padded) to each channel's history and
    // writes N/2 dB values per channel. Returns 1, or 0 for an oversized block, null pointers or a block-FFT object.
    uint32_t analyze(const int16_t* src, float* dst, uint32_t srcBytes);

    // Envelope of each channel on the 16-bit scale, whole numbers, channel 1 at dst + frames; dst
    // may be null (state still advances). Returns 1, or 0 for an oversized block, a null src or
    // another kind of FFT-family object.
    uint32_t envelope(const int16_t* src, float* dst, uint32_t srcBytes);

    uint32_t blockFrames = 0;
    uint32_t fftSize = 0;
    SpectrumFrame analysers[2];
    EnvelopeFollower envelopes[2];
    WindowedBlock blocks[2];

private:
    // Converts the block into inL/inR (inR stays unused when downMix) and zero-pads to padTo frames.
    // Frames of a block this object can take: srcBytes within the buffers and src non-null.
    bool acceptable(const int16_t* src, uint32_t srcBytes, uint32_t frameLimit) const;
    bool loadBlock(const int16_t* src, uint32_t srcBytes, uint32_t padTo, bool downMix);
};
