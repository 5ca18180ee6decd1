#include <memory>

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
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(frames, channels, sampleRate))
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        std::unique_ptr<Chorus> chorus(new Chorus);
        if (!chorus->setup(frames, channels, sampleRate, {voices, delaytime, depth, speed, mix, orgMix}))
            return nullptr;
        return handedOut(chorus.release());
    });
}

int32_t doChorus(void* handle, const int16_t* in, int16_t* out, uint32_t bytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Chorus* chorus = chorusOf(handle);
        if (bytes != 0 && (in == nullptr || out == nullptr))
            export_guard::refuse(export_guard::kBadArgument, "a null buffer");
        return chorus->runSameRatePcm16(in, out, bytes) ? 1 : 0;
    });
}

int32_t setChorusDelaytime(void* handle, float delaytime)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Chorus* chorus = chorusOf(handle);
        chorus->setDelaytime(delaytime);
        return 1;
    });
}

int32_t setChorusDepth(void* handle, float depth)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Chorus* chorus = chorusOf(handle);
        chorus->setDepth(depth);
        return 1;
    });
}

int32_t setChorusSpeed(void* handle, float speed)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Chorus* chorus = chorusOf(handle);
        chorus->setSpeed(speed);
        return 1;
    });
}

int32_t setChorusMix(void* handle, uint32_t voice, float mix)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Chorus* chorus = chorusOf(handle);
        return chorus != nullptr && chorus->setMix(voice, mix) ? 1 : 0;
    });
}

int32_t setChorusOrgMix(void* handle, float orgMix)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Chorus* chorus = chorusOf(handle);
        chorus->setOrgMix(orgMix);
        return 1;
    });
}

int32_t termChorus(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<Chorus>(handle, EffectType::Chorus); });
}

}  // extern "C"
