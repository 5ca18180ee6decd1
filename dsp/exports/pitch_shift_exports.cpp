#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/rate/pitch_shift.h"

extern "C" {

void* initPitchShift(uint32_t frames, uint32_t channels, uint32_t sampleRate, float pitchCents, float outLevelDb,
                     float grainTime, float grainInterval, uint32_t interpolation, uint8_t antiAlias)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(frames, channels, sampleRate))
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        return handedOut(PitchShift::create(frames, channels, sampleRate, pitchCents, outLevelDb, grainTime,
                                            grainInterval, static_cast<int32_t>(interpolation), antiAlias != 0));
    });
}

int32_t doPitchShift(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        PitchShift* p = effectAs<PitchShift>(handle, EffectType::PitchShift);
        if (srcBytes > 0 && (src == nullptr || dst == nullptr))
            export_guard::refuse(export_guard::kBadArgument, "a null buffer");
        return p->runSameRatePcm16(src, dst, srcBytes) ? 1 : 0;
    });
}

int32_t setPitchShiftPitch(void* handle, float pitchCents)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        PitchShift* p = effectAs<PitchShift>(handle, EffectType::PitchShift);
        return p && p->setPitch(pitchCents) ? 1 : 0;
    });
}

int32_t setPitchShiftOutLevel(void* handle, float outLevelDb)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        PitchShift* p = effectAs<PitchShift>(handle, EffectType::PitchShift);
        return p && p->setOutLevel(outLevelDb) ? 1 : 0;
    });
}

int32_t termPitchShift(void* handle)
{
    return dspGuard<int32_t>(0,
                             [&]() -> int32_t { return terminateEffect<PitchShift>(handle, EffectType::PitchShift); });
}

}  // extern "C"
