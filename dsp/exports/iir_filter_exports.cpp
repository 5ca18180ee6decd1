#include "orvane/dsp.h"

#include <memory>
#include <new>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/filters/iir_filter.h"

extern "C" {

void* initIirFilter(uint32_t frames, uint32_t channels, uint32_t sampleRate, int32_t order, float cutoff, int32_t kind)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(frames, channels, sampleRate) || order < 0 || order > BiquadCascade::kMaxOrder)
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        std::unique_ptr<IirFilter> filter(new IirFilter(order, cutoff, kind));
        filter->allocBuffers(frames, channels, sampleRate);
        if (!baseBuffersAllocated(*filter))
            throw std::bad_alloc();
        return filter.release();
    });
}

int32_t doIirFilter(void* handle, const int16_t* in, int16_t* out, uint32_t bytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        auto* filter = effectAs<IirFilter>(handle, EffectType::IirFilter);
        if (bytes > 0 && (in == nullptr || out == nullptr))
            export_guard::refuse(export_guard::kBadArgument, "a null buffer");
        return filter->runSameRatePcm16(in, out, bytes) ? 1 : 0;
    });
}

int32_t termIirFilter(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<IirFilter>(handle, EffectType::IirFilter); });
}

}  // extern "C"
