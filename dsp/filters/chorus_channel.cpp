#include "dsp/filters/chorus_channel.h"

#include <cmath>

#include "dsp/filters/sine_table.h"

namespace {

constexpr double kTwoPi = 2.0 * M_PI;

// Brings an LFO phase that left [0, 2pi) (a negative speed, a period shorter than a sample)
// back into it, so that the table position stays small and non-negative.
double wrapPhase(double ph)
{
    ph -= std::floor(ph / kTwoPi) * kTwoPi;
    return ph >= 0.0 && ph < kTwoPi ? ph : 0.0;
}

// The distance back into the line, kept inside it whatever delay and depth were asked for.
uint32_t readDistance(double d)
{
    if (!(d >= 1.0))
        return 1;
    if (d >= double(ChorusDelayLine::kMask))
        return ChorusDelayLine::kMask;
    return static_cast<uint32_t>(d);
}

}  // namespace

void ChorusChannel::release()
{
    phases.clear();
    gains.clear();
    ChorusDelayLine::release();
}

bool ChorusChannel::setup(uint32_t rate, const Params& p)
{
    if (!setupLine(rate, p.delayMs))
        return false;
    msPerSample = rate ? 1000.0f / float(rate) : 0.0f;
    setDepthMs(p.depthMs);
    lfoTime = 0.0f;
    setSpeed(p.speedSeconds);
    lastMix = 0.01f * p.mixPercent;
    setOrgMix(p.orgMixPercent);
    phases.resize(p.voices);
    gains.assign(p.voices, lastMix);
    for (uint32_t v = 0; v < p.voices; ++v)
        phases[v] = static_cast<float>(v * (kTwoPi / p.voices));
    return true;
}

void ChorusChannel::setDepthMs(float depthMs)
{
    depthSamples = 0.001f * depthMs * float(sampleRate);
}

void ChorusChannel::setSpeed(float speedSeconds)
{
    // A period that is not a finite number stops the LFO like a speed of 0 does.
    if (speedSeconds == 0.0f || !std::isfinite(speedSeconds)) {
        lfoFrequency = 0.0f;
        lfoPeriod = 0.0f;
        return;
    }
    lfoFrequency = 1.0f / (1000.0f * speedSeconds);
    // A negative speed runs the LFO backwards over a period of the same length.
    lfoPeriod = std::fabs(1000.0f * speedSeconds);
}

bool ChorusChannel::setMix(uint32_t voice, float mixPercent)
{
    if (voice >= voiceCount())
        return false;
    lastMix = 0.01f * mixPercent;
    gains[voice] = lastMix;
    return true;
}

void ChorusChannel::process(const float* in, float* out, uint32_t frames)
{
    if (!ready)
        return;
    const SineTable& sine = SineTable::instance();
    const double k = kTwoPi * lfoFrequency;
    const uint32_t voices = voiceCount();
    const float* phase = phases.data();
    const float* gain = gains.data();
    float* line = storage;
    for (uint32_t i = 0; i < frames; ++i) {
        const float x = in[i];
        double ph = lfoTime * k;
        if (!(ph >= 0.0 && ph < kTwoPi))
            ph = wrapPhase(ph);
        float wet = 0.0f;
        for (uint32_t v = 0; v < voices; ++v) {
            const float s = sine.at((phase[v] + ph) * SineTable::kScale);
            const uint32_t back = readDistance(delay + double(s) * depthSamples);
            wet += line[(writeIndex - back) & kMask] * gain[v];
        }
        line[writeIndex] = x;
        out[i] = wet + x * dry;
        writeIndex = (writeIndex + 1) & kMask;
        lfoTime += msPerSample;
        if (!(lfoTime < lfoPeriod) && lfoPeriod > 0.0f) {
            lfoTime -= std::trunc(lfoTime / lfoPeriod) * lfoPeriod;
            if (!(lfoTime >= 0.0f))
                lfoTime = 0.0f;
        }
    }
}
