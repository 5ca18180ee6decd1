#include "orvane/dsp.h"

#include <cmath>
#include <new>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/filters/graphic_eq.h"
#include "dsp/filters/graphic_eq_band.h"

extern "C" {

void* initGraphicEQ(uint32_t frames, uint32_t channels, uint32_t sampleRate, uint32_t bandCount,
                    const GraphicEQBandParams* bands, float masterGain)
{
    if (!effectFormatUsable(frames, channels, sampleRate) || bands == nullptr || bandCount == 0
        || bandCount > GraphicEQ::kMaxBands)
        return nullptr;
    GraphicEQ* eq = nullptr;
    try {
        eq = new GraphicEQ(bandCount, bands, masterGain);
        eq->allocBuffers(frames, channels, sampleRate);
    } catch (...) {
        delete eq;
        return nullptr;
    }
    if (!baseBuffersAllocated(*eq)) {
        delete eq;
        return nullptr;
    }
    return eq;
}

int32_t doGraphicEQ(void* handle, const int16_t* in, int16_t* out, uint32_t bytes)
{
    try {
        auto* eq = effectAs<GraphicEQ>(handle, EffectType::GraphicEq);
        if (eq == nullptr || (bytes > 0 && (in == nullptr || out == nullptr)))
            return 0;
        return eq->runSameRatePcm16(in, out, bytes) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t setGraphicEQGain(void* handle, uint32_t band, float gain)
{
    try {
        auto* eq = effectAs<GraphicEQ>(handle, EffectType::GraphicEq);
        return eq != nullptr && eq->setGain(band, gain) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t setGraphicEQMasterGain(void* handle, float masterGain)
{
    try {
        auto* eq = effectAs<GraphicEQ>(handle, EffectType::GraphicEq);
        if (eq == nullptr)
            return 0;
        eq->setMasterGain(masterGain);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t remakeGraphicEQBand(void* handle, uint32_t band, float frequency, float zeroRadius, float poleRadius)
{
    try {
        auto* eq = effectAs<GraphicEQ>(handle, EffectType::GraphicEq);
        return eq != nullptr && eq->remakeBand(band, frequency, zeroRadius, poleRadius) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t termGraphicEQ(void* handle)
{
    try {
        return terminateEffect<GraphicEQ>(handle, EffectType::GraphicEq);
    } catch (...) {
        return 0;
    }
}

float getGraphicEQBandNormaliser(uint32_t sampleRate, float frequency, float zeroRadius, float poleRadius)
{
    if (!rateUsable(sampleRate))
        return 0.0f;
    const float normaliser = designGraphicEQBand(frequency, zeroRadius, poleRadius, int32_t(sampleRate)).normaliser;
    return std::isfinite(normaliser) ? normaliser : 0.0f;
}

}  // extern "C"
