#include "orvane/dsp.h"

#include <cmath>
#include <memory>
#include <new>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/filters/graphic_eq.h"
#include "dsp/filters/graphic_eq_band.h"

extern "C" {

void* initGraphicEQ(uint32_t frames, uint32_t channels, uint32_t sampleRate, uint32_t bandCount,
                    const GraphicEQBandParams* bands, float masterGain)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(frames, channels, sampleRate) || bands == nullptr || bandCount == 0
            || bandCount > GraphicEQ::kMaxBands)
            export_guard::refuse(export_guard::kBadArgument, "frames, channels, a rate or the band count out of range");
        std::unique_ptr<GraphicEQ> eq(new GraphicEQ(bandCount, bands, masterGain));
        eq->allocBuffers(frames, channels, sampleRate);
        if (!baseBuffersAllocated(*eq))
            throw std::bad_alloc();
        return eq.release();
    });
}

int32_t doGraphicEQ(void* handle, const int16_t* in, int16_t* out, uint32_t bytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        auto* eq = effectAs<GraphicEQ>(handle, EffectType::GraphicEq);
        if (bytes > 0 && (in == nullptr || out == nullptr))
            export_guard::refuse(export_guard::kBadArgument, "a null buffer");
        return eq->runSameRatePcm16(in, out, bytes) ? 1 : 0;
    });
}

int32_t setGraphicEQGain(void* handle, uint32_t band, float gain)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        auto* eq = effectAs<GraphicEQ>(handle, EffectType::GraphicEq);
        return eq != nullptr && eq->setGain(band, gain) ? 1 : 0;
    });
}

int32_t setGraphicEQMasterGain(void* handle, float masterGain)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        auto* eq = effectAs<GraphicEQ>(handle, EffectType::GraphicEq);
        eq->setMasterGain(masterGain);
        return 1;
    });
}

int32_t remakeGraphicEQBand(void* handle, uint32_t band, float frequency, float zeroRadius, float poleRadius)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        auto* eq = effectAs<GraphicEQ>(handle, EffectType::GraphicEq);
        return eq != nullptr && eq->remakeBand(band, frequency, zeroRadius, poleRadius) ? 1 : 0;
    });
}

int32_t termGraphicEQ(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<GraphicEQ>(handle, EffectType::GraphicEq); });
}

float getGraphicEQBandNormaliser(uint32_t sampleRate, float frequency, float zeroRadius, float poleRadius)
{
    return dspGuard<float>(0, [&]() -> float {
        if (!rateUsable(sampleRate))
            return 0.0f;
        const float normaliser = designGraphicEQBand(frequency, zeroRadius, poleRadius, int32_t(sampleRate)).normaliser;
        return std::isfinite(normaliser) ? normaliser : 0.0f;
    });
}

}  // extern "C"
