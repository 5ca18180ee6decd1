#include "dsp/filters/chorus_channel.h"

#include <algorithm>
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
double readDistance(double d)
{
    if (!(d >= 1.0))
        return 1.0;
    return std::min(d, double(ChorusDelayLine::kMask));
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
    // The sine table is built by the first set-up, so no processing call waits for it.
    SineTable::instance();
    msPerSample = rate ? 1000.0f / float(rate) : 0.0f;
    setDepthMs(p.depthMs);
    lfoTime = 0.0f;
    setSpeed(p.speedSeconds);
    lastMix = 0.01f * p.mixPercent;
    setOrgMix(p.orgMixPercent);
    phases.resize(p.voices);
    gains.assign(p.voices, lastMix);
    distances.assign(p.voices, 0.0f);
    steps.assign(p.voices, 0.0f);
    untilControl = 0;
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

void ChorusChannel::plan()
{
    // The LFO is evaluated now and one control period ahead (in its own clock, so a wrap in
    // between changes nothing); the distances run in a straight line in between.
    const SineTable& sine = SineTable::instance();
    const double k = kTwoPi * lfoFrequency;
    double now = lfoTime * k;
    double next = (lfoTime + kControlPeriod * msPerSample) * k;
    if (!(now >= 0.0 && now < kTwoPi))
        now = wrapPhase(now);
    if (!(next >= 0.0 && next < kTwoPi))
        next = wrapPhase(next);
    for (uint32_t v = 0; v < voiceCount(); ++v) {
        const double from = readDistance(delay + double(sine.at((phases[v] + now) * SineTable::kScale)) * depthSamples);
        const double to = readDistance(delay + double(sine.at((phases[v] + next) * SineTable::kScale)) * depthSamples);
        distances[v] = static_cast<float>(from);
        steps[v] = static_cast<float>((to - from) / kControlPeriod);
    }
    untilControl = kControlPeriod;
}

void ChorusChannel::process(const float* in, float* out, uint32_t frames)
{
    if (!ready)
        return;
    const uint32_t voices = voiceCount();
    const float* gain = gains.data();
    float* distance = distances.data();
    const float* step = steps.data();
    float* line = storage;
    for (uint32_t i = 0; i < frames; ++i) {
        if (untilControl == 0)
            plan();
        --untilControl;
        const float x = in[i];
        float wet = 0.0f;
        for (uint32_t v = 0; v < voices; ++v) {
            const auto back = static_cast<uint32_t>(distance[v]);
            wet += line[(writeIndex - back) & kMask] * gain[v];
            distance[v] += step[v];
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
