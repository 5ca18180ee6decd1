#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/rate/stretch.h"

extern "C" {

void* initStretch(uint32_t frames, uint32_t channels, uint32_t sampleRate, float scale, float outLevelDb,
                  float grainTime, float grainInterval)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(frames, channels, sampleRate))
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        return handedOut(Stretch::create(frames, channels, sampleRate, scale, outLevelDb, grainTime, grainInterval));
    });
}

int32_t doStretch(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Stretch* s = effectAs<Stretch>(handle, EffectType::Stretch);
        if (srcBytes > 0 && (src == nullptr || dst == nullptr))
            export_guard::refuse(export_guard::kBadArgument, "a null buffer");
        return static_cast<int32_t>(s->processPcm16(src, dst, srcBytes));
    });
}

int32_t setStretchScale(void* handle, float scale)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Stretch* s = effectAs<Stretch>(handle, EffectType::Stretch);
        return s && s->setScale(scale) ? 1 : 0;
    });
}

int32_t setStretchOutLevel(void* handle, float outLevelDb)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Stretch* s = effectAs<Stretch>(handle, EffectType::Stretch);
        return s && s->setOutLevel(outLevelDb) ? 1 : 0;
    });
}

uint32_t getStretchDstSize(void* handle, uint32_t srcSize)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t {
        Stretch* s = effectAs<Stretch>(handle, EffectType::Stretch);
        return s->getDstSize(srcSize);
    });
}

int32_t termStretch(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<Stretch>(handle, EffectType::Stretch); });
}

}  // extern "C"
