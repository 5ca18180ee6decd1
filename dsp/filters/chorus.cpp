#include "dsp/filters/chorus.h"

bool Chorus::setup(uint32_t frames, uint32_t channels, uint32_t sampleRate, const ChorusChannel::Params& params)
{
    if (params.voices > kMaxVoices)
        return false;
    allocBaseBuffers(frames, channels);
    inRate = outRate = sampleRate;
    params_ = params;
    return setupChannels(sampleRate);
}

bool Chorus::setupChannels(uint32_t rate)
{
    bool ok = true;
    for (ChorusChannel& c : channels_)
        ok = c.setup(rate, params_) && ok;
    return ok;
}

void Chorus::allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate)
{
    DspEffect::allocBuffers(frames, channels, rate);
    setupChannels(rate);
}

uint32_t Chorus::processChannel(uint32_t channel, const float* in, float* out, uint32_t frames)
{
    if (channel > 1)
        return 0;
    channels_[channel].process(in, out, frames);
    return frames;
}

void Chorus::setDelaytime(float delayMs)
{
    params_.delayMs = delayMs;
    for (ChorusChannel& c : channels_)
        c.setDelayMs(delayMs);
}

void Chorus::setDepth(float depthMs)
{
    params_.depthMs = depthMs;
    for (ChorusChannel& c : channels_)
        c.setDepthMs(depthMs);
}

void Chorus::setSpeed(float speedSeconds)
{
    params_.speedSeconds = speedSeconds;
    for (ChorusChannel& c : channels_)
        c.setSpeed(speedSeconds);
}

bool Chorus::setMix(uint32_t voice, float mixPercent)
{
    if (voice >= params_.voices)
        return false;
    params_.mixPercent = mixPercent;
    for (ChorusChannel& c : channels_)
        c.setMix(voice, mixPercent);
    return true;
}

void Chorus::setOrgMix(float orgMixPercent)
{
    params_.orgMixPercent = orgMixPercent;
    for (ChorusChannel& c : channels_)
        c.setOrgMix(orgMixPercent);
}
