#include <new>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/filters/chorus.h"
#include "orvane/dsp.h"

namespace {

Chorus* chorusOf(void* handle)
{
    return effectAs<Chorus>(handle, EffectType::Chorus);
}

}  // namespace

extern "C" {

void* initChorus(uint32_t frames, uint32_t channels, uint32_t sampleRate, uint32_t voices, float delaytime, float depth,
                 float speed, float mix, float orgMix)
{
    try {
        if (!effectFormatUsable(frames, channels, sampleRate))
            return nullptr;
        auto* chorus = new (std::nothrow) Chorus;
        if (chorus == nullptr)
            return nullptr;
        if (!chorus->setup(frames, channels, sampleRate, {voices, delaytime, depth, speed, mix, orgMix})) {
            delete chorus;
            return nullptr;
        }
        return handedOut(chorus);
    } catch (...) {
        return nullptr;
    }
}

int32_t doChorus(void* handle, const int16_t* in, int16_t* out, uint32_t bytes)
{
    try {
        Chorus* chorus = chorusOf(handle);
        if (chorus == nullptr || (bytes != 0 && (in == nullptr || out == nullptr)))
            return 0;
        return chorus->runSameRatePcm16(in, out, bytes) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t setChorusDelaytime(void* handle, float delaytime)
{
    try {
        Chorus* chorus = chorusOf(handle);
        if (chorus == nullptr)
            return 0;
        chorus->setDelaytime(delaytime);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t setChorusDepth(void* handle, float depth)
{
    try {
        Chorus* chorus = chorusOf(handle);
        if (chorus == nullptr)
            return 0;
        chorus->setDepth(depth);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t setChorusSpeed(void* handle, float speed)
{
    try {
        Chorus* chorus = chorusOf(handle);
        if (chorus == nullptr)
            return 0;
        chorus->setSpeed(speed);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t setChorusMix(void* handle, uint32_t voice, float mix)
{
    try {
        Chorus* chorus = chorusOf(handle);
        return chorus != nullptr && chorus->setMix(voice, mix) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t setChorusOrgMix(void* handle, float orgMix)
{
    try {
        Chorus* chorus = chorusOf(handle);
        if (chorus == nullptr)
            return 0;
        chorus->setOrgMix(orgMix);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t termChorus(void* handle)
{
    try {
        return terminateEffect<Chorus>(handle, EffectType::Chorus);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
