#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/rate/stretch.h"

extern "C" {

void* initStretch(uint32_t frames, uint32_t channels, uint32_t sampleRate, float scale, float outLevelDb,
                  float grainTime, float grainInterval)
{
    try {
        if (!effectFormatUsable(frames, channels, sampleRate))
            return nullptr;
        return handedOut(Stretch::create(frames, channels, sampleRate, scale, outLevelDb, grainTime, grainInterval));
    } catch (...) {
        return nullptr;
    }
}

int32_t doStretch(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    try {
        Stretch* s = effectAs<Stretch>(handle, EffectType::Stretch);
        if (s == nullptr || (srcBytes > 0 && (src == nullptr || dst == nullptr)))
            return 0;
        return static_cast<int32_t>(s->processPcm16(src, dst, srcBytes));
    } catch (...) {
        return 0;
    }
}

int32_t setStretchScale(void* handle, float scale)
{
    try {
        Stretch* s = effectAs<Stretch>(handle, EffectType::Stretch);
        return s && s->setScale(scale) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t setStretchOutLevel(void* handle, float outLevelDb)
{
    try {
        Stretch* s = effectAs<Stretch>(handle, EffectType::Stretch);
        return s && s->setOutLevel(outLevelDb) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

uint32_t getStretchDstSize(void* handle, uint32_t srcSize)
{
    try {
        Stretch* s = effectAs<Stretch>(handle, EffectType::Stretch);
        return s ? s->getDstSize(srcSize) : 0;
    } catch (...) {
        return 0;
    }
}

int32_t termStretch(void* handle)
{
    return terminateEffect<Stretch>(handle, EffectType::Stretch);
}

}  // extern "C"
