#include "dsp/filters/fader.h"

#include "dsp/core/pcm_convert.h"

void Fader::setup(uint32_t frames, uint32_t channels, uint32_t sampleRate, float crossPosition, float fader0Db,
                  float fader1Db)
{
    allocBaseBuffers(frames, channels);
    inRate = outRate = sampleRate;
    crossPosition_ = crossPosition;
    faderDb_[0] = fader0Db;
    faderDb_[1] = fader1Db;
    setupUnits(sampleRate);
}

void Fader::setupUnits(uint32_t rate)
{
    for (uint32_t i = 0; i < 4; ++i)
        units_[i].setup(rate, faderDb_[i / 2]);
    for (CrossFaderUnit& c : cross_) {
        if (curveGiven_)
            c.setCurve(curve_[0], curve_[1], curve_[2], curve_[3]);
        c.setup(rate, crossPosition_);
    }
}

void Fader::allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate)
{
    DspEffect::allocBuffers(frames, channels, rate);
    setupUnits(rate);
}

uint32_t Fader::processChannel(uint32_t channel, const float* in, float* out, uint32_t frames)
{
    if (channel > 3)
        return 0;
    units_[channel].process(in, out, frames);
    return frames;
}

bool Fader::fadePcm16(uint32_t fader, const int16_t* in, int16_t* out, uint32_t bytes)
{
    if (fader > 1 || bytes > maxInBytes())
        return false;
    const uint32_t channels = isStereo() ? 2 : 1;
    const uint32_t frames = framesOf(bytes);
    pcm16ToFloat(in, frames * channels * 2, inL, inR, channels);
    units_[fader * 2].process(inL, outL, frames);
    if (channels == 2)
        units_[fader * 2 + 1].process(inR, outR, frames);
    floatToPcm16(outL, outR, frames, out, channels);
    return true;
}

bool Fader::crossFadePcm16(const int16_t* inA, const int16_t* inB, int16_t* out, uint32_t bytes)
{
    if (bytes > maxInBytes())
        return false;
    const uint32_t channels = isStereo() ? 2 : 1;
    const uint32_t frames = framesOf(bytes);
    const uint32_t used = frames * channels * 2;
    pcm16ToFloat(inA, used, inL, inR, channels);
    fadeA(frames);
    pcm16ToFloat(inB, used, inL, inR, channels);
    mixCross(frames);
    floatToPcm16(outL, outR, frames, out, channels);
    return true;
}

bool Fader::crossFadeFloat(const float* inA, const float* inB, float* out, uint32_t frames)
{
    if (frames > maxInFrames)
        return false;
    const bool stereo = isStereo();
    split(inA, frames);
    fadeA(frames);
    split(inB, frames);
    mixCross(frames);
    for (uint32_t i = 0; i < frames; ++i) {
        if (stereo) {
            out[2 * i] = outL[i];
            out[2 * i + 1] = outR[i];
        } else {
            out[i] = outL[i];
        }
    }
    return true;
}

void Fader::split(const float* in, uint32_t frames)
{
    if (!isStereo()) {
        for (uint32_t i = 0; i < frames; ++i)
            inL[i] = in[i];
        return;
    }
    for (uint32_t i = 0; i < frames; ++i) {
        inL[i] = in[2 * i];
        inR[i] = in[2 * i + 1];
    }
}

void Fader::fadeA(uint32_t frames)
{
    units_[0].process(inL, scratchA, frames);
    if (isStereo())
        units_[1].process(inR, scratchB, frames);
}

void Fader::mixCross(uint32_t frames)
{
    units_[2].process(inL, outL, frames);
    cross_[0].process(scratchA, outL, outL, frames);
    if (isStereo()) {
        units_[3].process(inR, outR, frames);
        cross_[1].process(scratchB, outR, outR, frames);
    }
}

bool Fader::setFaderAction(uint32_t fader, float start, float end, float levelDb)
{
    if (fader > 1)
        return false;
    units_[fader * 2].addAction(start, end, levelDb);
    units_[fader * 2 + 1].addAction(start, end, levelDb);
    return true;
}

bool Fader::delFaderAction(uint32_t fader, float start, float end)
{
    if (fader > 1)
        return false;
    units_[fader * 2].deleteRange(start, end);
    units_[fader * 2 + 1].deleteRange(start, end);
    return true;
}

void Fader::setCrossFaderAction(float start, float end, float position)
{
    for (CrossFaderUnit& c : cross_)
        c.addAction(start, end, position);
}

void Fader::delCrossFaderAction(float start, float end)
{
    for (CrossFaderUnit& c : cross_)
        c.deleteRange(start, end);
}

void Fader::setCrossFaderCurve(float centreDb, float edgeDb, float centreWidth, float edgePosition)
{
    curveGiven_ = true;
    curve_[0] = centreDb;
    curve_[1] = edgeDb;
    curve_[2] = centreWidth;
    curve_[3] = edgePosition;
    for (CrossFaderUnit& c : cross_)
        c.setCurve(centreDb, edgeDb, centreWidth, edgePosition);
}
