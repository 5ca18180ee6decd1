#include "orvane/dsp.h"

#include <new>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/filters/shelving_eq.h"

extern "C" {

void* initShelvingEQ(uint32_t frames, uint32_t channels, uint32_t sampleRate, uint32_t bandCount, const float* gains,
                     float outputLevel)
{
    if (!effectFormatUsable(frames, channels, sampleRate) || gains == nullptr)
        return nullptr;
    ShelvingEQ* eq = nullptr;
    try {
        eq = new ShelvingEQ;
        eq->allocBuffers(frames, channels, sampleRate);
        if (!baseBuffersAllocated(*eq) || !eq->setup(bandCount, gains, outputLevel)) {
            delete eq;
            return nullptr;
        }
    } catch (...) {
        delete eq;
        return nullptr;
    }
    return eq;
}

int32_t doShelvingEQ(void* handle, const int16_t* in, int16_t* out, uint32_t bytes)
{
    try {
        auto* eq = effectAs<ShelvingEQ>(handle, EffectType::ShelvingEq);
        if (eq == nullptr || (bytes > 0 && (in == nullptr || out == nullptr)))
            return 0;
        return eq->runSameRatePcm16(in, out, bytes) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t setShelvingEQGain(void* handle, uint32_t band, float gain)
{
    try {
        auto* eq = effectAs<ShelvingEQ>(handle, EffectType::ShelvingEq);
        return eq != nullptr && eq->setGain(band, gain) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t setShelvingEQOutputLevel(void* handle, float outputLevel)
{
    try {
        auto* eq = effectAs<ShelvingEQ>(handle, EffectType::ShelvingEq);
        if (eq == nullptr)
            return 0;
        eq->setOutputLevel(outputLevel);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t termShelvingEQ(void* handle)
{
    try {
        return terminateEffect<ShelvingEQ>(handle, EffectType::ShelvingEq);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
