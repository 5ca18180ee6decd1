#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/rate/resampler.h"

extern "C" {

void* initResampler(uint32_t frames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate, uint32_t dstRate,
                    uint32_t interpolation, float stopbandDb, float slopeDbPerOctave, uint8_t antiAlias)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(frames, channels, srcRate) || !rateUsable(dstRate))
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        return handedOut(Resampler::create(frames, channels, dstChannels, srcRate, dstRate,
                                           static_cast<int32_t>(interpolation), stopbandDb, slopeDbPerOctave,
                                           antiAlias != 0));
    });
}

int32_t doResampler(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Resampler* r = effectAs<Resampler>(handle, EffectType::Resampler);
        if (srcBytes > 0 && (src == nullptr || dst == nullptr))
            export_guard::refuse(export_guard::kBadArgument, "a null buffer");
        return static_cast<int32_t>(r->processPcm16(src, dst, srcBytes));
    });
}

uint32_t getResamplerDstSize(void* handle, uint32_t srcSize)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t {
        Resampler* r = effectAs<Resampler>(handle, EffectType::Resampler);
        return r->getDstSize(srcSize);
    });
}

int32_t termResampler(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<Resampler>(handle, EffectType::Resampler); });
}

}  // extern "C"
