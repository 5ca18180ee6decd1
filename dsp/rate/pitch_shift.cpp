#include "dsp/rate/pitch_shift.h"

#include <memory>

PitchShift* PitchShift::create(uint32_t frames, uint32_t channelCount, uint32_t sampleRate, float pitchCents,
                               float outLevelDb, float grainTime, float grainInterval, int32_t interpolation,
                               bool antiAlias)
{
    if (frames > kMaxFrames)
        return nullptr;
    std::unique_ptr<PitchShift> owner(new PitchShift);  // freed if a set-up step throws
    PitchShift* p = owner.get();
    for (PitchShiftChannel& c : p->channels) {
        if (!c.init(static_cast<float>(sampleRate), pitchCents, outLevelDb, grainTime, grainInterval, interpolation,
                    false)) {
            return nullptr;
        }
    }
    p->allocBaseBuffers(frames, channelCount);
    p->inRate = p->outRate = sampleRate;
    p->pitchCents = pitchCents;
    p->outLevelDb = outLevelDb;
    p->grainTime = grainTime;
    p->grainInterval = grainInterval;
    p->interpolation = interpolation;
    p->antiAlias = antiAlias;
    return owner.release();
}

bool PitchShift::setPitch(float cents)
{
    if (!channels[0].setPitch(cents))
        return false;
    channels[1].setPitch(cents);
    pitchCents = cents;
    return true;
}

bool PitchShift::setOutLevel(float levelDb)
{
    if (!channels[0].setOutLevel(levelDb))
        return false;
    channels[1].setOutLevel(levelDb);
    outLevelDb = levelDb;
    return true;
}

void PitchShift::allocBuffers(uint32_t frames, uint32_t channelCount, uint32_t rate)
{
    if (frames > kMaxFrames)
        return;  // no buffer could hold it: keep the current size
    allocBaseBuffers(frames, channelCount);
    if (rate != outRate) {
        // A rate too low for one-sample grains keeps the channels as they were.
        PitchShiftChannel::Sizes sizes{};
        if (PitchShiftChannel::sizesFor(static_cast<float>(rate), grainTime, grainInterval, sizes)) {
            for (PitchShiftChannel& c : channels)
                c.init(static_cast<float>(rate), pitchCents, outLevelDb, grainTime, grainInterval, interpolation,
                       antiAlias);
        }
    }
    inRate = outRate = rate;
}

uint32_t PitchShift::processChannel(uint32_t channel, const float* in, float* out, uint32_t frames)
{
    if (frames > maxInFrames)
        return 0;
    channels[channel == 1 ? 1 : 0].process(in, out, frames);
    return frames;
}
