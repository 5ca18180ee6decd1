#include <new>

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
    try {
        if (!effectFormatUsable(frames, channels, sampleRate))
            return nullptr;
        auto* fader = new (std::nothrow) Fader;
        if (fader == nullptr)
            return nullptr;
        fader->setup(frames, channels, sampleRate, crossPosition, fader0Level, fader1Level);
        return handedOut(fader);
    } catch (...) {
        return nullptr;
    }
}

int32_t doFade(void* handle, uint32_t fader, const int16_t* in, int16_t* out, uint32_t bytes)
{
    try {
        Fader* f = faderOf(handle);
        if (f == nullptr || !pcmArgsOk(in, out, bytes))
            return 0;
        return f->fadePcm16(fader, in, out, bytes) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t doCrossFade(void* handle, const int16_t* inA, const int16_t* inB, int16_t* out, uint32_t bytes)
{
    try {
        Fader* f = faderOf(handle);
        if (f == nullptr || !pcmArgsOk(inA, inB, bytes) || !pcmArgsOk(out, out, bytes))
            return 0;
        return f->crossFadePcm16(inA, inB, out, bytes) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t doCrossFadeFloat(void* handle, const float* inA, const float* inB, float* out, uint32_t frames)
{
    try {
        Fader* f = faderOf(handle);
        if (f == nullptr || !pcmArgsOk(inA, inB, frames) || !pcmArgsOk(out, out, frames))
            return 0;
        return f->crossFadeFloat(inA, inB, out, frames) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

// Editing a schedule may need memory; when none is to be had the schedule stays as it was.
int32_t setFaderAction(void* handle, uint32_t fader, float start, float end, float level)
{
    try {
        Fader* f = faderOf(handle);
        try {
            return f != nullptr && f->setFaderAction(fader, start, end, level) ? 1 : 0;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    } catch (...) {
        return 0;
    }
}

int32_t delFaderAction(void* handle, uint32_t fader, float start, float end)
{
    try {
        Fader* f = faderOf(handle);
        try {
            return f != nullptr && f->delFaderAction(fader, start, end) ? 1 : 0;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    } catch (...) {
        return 0;
    }
}

int32_t setCrossFaderAction(void* handle, float start, float end, float position)
{
    try {
        Fader* f = faderOf(handle);
        if (f == nullptr)
            return 0;
        try {
            f->setCrossFaderAction(start, end, position);
            return 1;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    } catch (...) {
        return 0;
    }
}

int32_t delCrossFaderAction(void* handle, float start, float end)
{
    try {
        Fader* f = faderOf(handle);
        if (f == nullptr)
            return 0;
        try {
            f->delCrossFaderAction(start, end);
            return 1;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    } catch (...) {
        return 0;
    }
}

int32_t setCrossFaderCurve(void* handle, float centreLevel, float edgeLevel, float centreWidth, float edgePosition)
{
    try {
        Fader* f = faderOf(handle);
        if (f == nullptr)
            return 0;
        f->setCrossFaderCurve(centreLevel, edgeLevel, centreWidth, edgePosition);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t termFader(void* handle)
{
    try {
        return terminateEffect<Fader>(handle, EffectType::Fader);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
