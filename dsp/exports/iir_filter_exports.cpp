#include "orvane/dsp.h"

#include <new>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/filters/iir_filter.h"

extern "C" {

void* initIirFilter(uint32_t frames, uint32_t channels, uint32_t sampleRate, int32_t order, float cutoff, int32_t kind)
{
    if (!effectFormatUsable(frames, channels, sampleRate) || order < 0 || order > BiquadCascade::kMaxOrder)
        return nullptr;
    auto* filter = new (std::nothrow) IirFilter(order, cutoff, kind);
    if (filter == nullptr)
        return nullptr;
    try {
        filter->allocBuffers(frames, channels, sampleRate);
    } catch (...) {
        delete filter;
        return nullptr;
    }
    if (!baseBuffersAllocated(*filter)) {
        delete filter;
        return nullptr;
    }
    return filter;
}

int32_t doIirFilter(void* handle, const int16_t* in, int16_t* out, uint32_t bytes)
{
    try {
        auto* filter = effectAs<IirFilter>(handle, EffectType::IirFilter);
        if (filter == nullptr || (bytes > 0 && (in == nullptr || out == nullptr)))
            return 0;
        return filter->runSameRatePcm16(in, out, bytes) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t termIirFilter(void* handle)
{
    try {
        return terminateEffect<IirFilter>(handle, EffectType::IirFilter);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
