#include "orvane/dsp.h"

#include <memory>
#include <new>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/filters/shelving_eq.h"

extern "C" {

void* initShelvingEQ(uint32_t frames, uint32_t channels, uint32_t sampleRate, uint32_t bandCount, const float* gains,
                     float outputLevel)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(frames, channels, sampleRate) || gains == nullptr)
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        std::unique_ptr<ShelvingEQ> eq(new ShelvingEQ);
        eq->allocBuffers(frames, channels, sampleRate);
        if (!baseBuffersAllocated(*eq))
            throw std::bad_alloc();
        if (!eq->setup(bandCount, gains, outputLevel))
            export_guard::refuse(export_guard::kBadArgument, "a band count the equaliser cannot take");
        return eq.release();
    });
}

int32_t doShelvingEQ(void* handle, const int16_t* in, int16_t* out, uint32_t bytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        auto* eq = effectAs<ShelvingEQ>(handle, EffectType::ShelvingEq);
        if (bytes > 0 && (in == nullptr || out == nullptr))
            export_guard::refuse(export_guard::kBadArgument, "a null buffer");
        return eq->runSameRatePcm16(in, out, bytes) ? 1 : 0;
    });
}

int32_t setShelvingEQGain(void* handle, uint32_t band, float gain)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        auto* eq = effectAs<ShelvingEQ>(handle, EffectType::ShelvingEq);
        return eq != nullptr && eq->setGain(band, gain) ? 1 : 0;
    });
}

int32_t setShelvingEQOutputLevel(void* handle, float outputLevel)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        auto* eq = effectAs<ShelvingEQ>(handle, EffectType::ShelvingEq);
        eq->setOutputLevel(outputLevel);
        return 1;
    });
}

int32_t termShelvingEQ(void* handle)
{
    return dspGuard<int32_t>(0,
                             [&]() -> int32_t { return terminateEffect<ShelvingEQ>(handle, EffectType::ShelvingEq); });
}

}  // extern "C"
