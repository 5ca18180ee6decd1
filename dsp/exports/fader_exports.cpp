#include <memory>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/filters/fader.h"
#include "orvane/dsp.h"

namespace {

Fader* faderOf(void* handle)
{
    return effectAs<Fader>(handle, EffectType::Fader);
}

bool pcmArgsOk(const void* a, const void* b, uint32_t bytes)
{
    return bytes == 0 || (a != nullptr && b != nullptr);
}

}  // namespace

extern "C" {

void* initFader(uint32_t frames, uint32_t channels, uint32_t sampleRate, float crossPosition, float fader0Level,
                float fader1Level)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(frames, channels, sampleRate))
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        auto fader = std::make_unique<Fader>();
        fader->setup(frames, channels, sampleRate, crossPosition, fader0Level, fader1Level);
        return handedOut(fader.release());
    });
}

int32_t doFade(void* handle, uint32_t fader, const int16_t* in, int16_t* out, uint32_t bytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Fader* f = faderOf(handle);
        if (!pcmArgsOk(in, out, bytes))
            return 0;
        return f->fadePcm16(fader, in, out, bytes) ? 1 : 0;
    });
}

int32_t doCrossFade(void* handle, const int16_t* inA, const int16_t* inB, int16_t* out, uint32_t bytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Fader* f = faderOf(handle);
        if (!pcmArgsOk(inA, inB, bytes) || !pcmArgsOk(out, out, bytes))
            return 0;
        return f->crossFadePcm16(inA, inB, out, bytes) ? 1 : 0;
    });
}

int32_t doCrossFadeFloat(void* handle, const float* inA, const float* inB, float* out, uint32_t frames)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Fader* f = faderOf(handle);
        if (!pcmArgsOk(inA, inB, frames) || !pcmArgsOk(out, out, frames))
            return 0;
        return f->crossFadeFloat(inA, inB, out, frames) ? 1 : 0;
    });
}

// Editing a schedule may need memory; when none is to be had the schedule stays as it was (0).
int32_t setFaderAction(void* handle, uint32_t fader, float start, float end, float level)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Fader* f = faderOf(handle);
        return f->setFaderAction(fader, start, end, level) ? 1 : 0;
    });
}

int32_t delFaderAction(void* handle, uint32_t fader, float start, float end)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Fader* f = faderOf(handle);
        return f->delFaderAction(fader, start, end) ? 1 : 0;
    });
}

int32_t setCrossFaderAction(void* handle, float start, float end, float position)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Fader* f = faderOf(handle);
        f->setCrossFaderAction(start, end, position);
        return 1;
    });
}

int32_t delCrossFaderAction(void* handle, float start, float end)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Fader* f = faderOf(handle);
        f->delCrossFaderAction(start, end);
        return 1;
    });
}

int32_t setCrossFaderCurve(void* handle, float centreLevel, float edgeLevel, float centreWidth, float edgePosition)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Fader* f = faderOf(handle);
        f->setCrossFaderCurve(centreLevel, edgeLevel, centreWidth, edgePosition);
        return 1;
    });
}

int32_t termFader(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<Fader>(handle, EffectType::Fader); });
}

}  // extern "C"
