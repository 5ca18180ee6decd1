#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/rate/resampler.h"

extern "C" {

void* initResampler(uint32_t frames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate, uint32_t dstRate,
                    uint32_t interpolation, float stopbandDb, float slopeDbPerOctave, uint8_t antiAlias)
{
    try {
        if (!effectFormatUsable(frames, channels, srcRate) || !rateUsable(dstRate))
            return nullptr;
        return handedOut(Resampler::create(frames, channels, dstChannels, srcRate, dstRate,
                                           static_cast<int32_t>(interpolation), stopbandDb, slopeDbPerOctave,
                                           antiAlias != 0));
    } catch (...) {
        return nullptr;
    }
}

int32_t doResampler(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    try {
        Resampler* r = effectAs<Resampler>(handle, EffectType::Resampler);
        if (r == nullptr || (srcBytes > 0 && (src == nullptr || dst == nullptr)))
            return 0;
        return static_cast<int32_t>(r->processPcm16(src, dst, srcBytes));
    } catch (...) {
        return 0;
    }
}

uint32_t getResamplerDstSize(void* handle, uint32_t srcSize)
{
    try {
        Resampler* r = effectAs<Resampler>(handle, EffectType::Resampler);
        return r ? r->getDstSize(srcSize) : 0;
    } catch (...) {
        return 0;
    }
}

int32_t termResampler(void* handle)
{
    return terminateEffect<Resampler>(handle, EffectType::Resampler);
}

}  // extern "C"
