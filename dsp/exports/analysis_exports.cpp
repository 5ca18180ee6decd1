#include "orvane/dsp.h"

#include "dsp/analysis/fft_effect.h"
#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"

extern "C" {

void* initFftAnalyze(uint32_t blockFrames, uint32_t channels, uint32_t n, uint32_t historyLen)
{
    return dspGuard<void*>(
        nullptr, [&]() -> void* { return handedOut(FftEffect::createAnalyzer(blockFrames, channels, n, historyLen)); });
}

int32_t doFftAnalyze(void* handle, const int16_t* src, float* dst, uint32_t srcBytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        FftEffect* e = effectAs<FftEffect>(handle, EffectType::Fft);
        return static_cast<int32_t>(e->analyze(src, dst, srcBytes));
    });
}

int32_t termFftAnalyze(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<FftEffect>(handle, EffectType::Fft); });
}

void* initEnvAnalyze(uint32_t blockFrames, uint32_t channels, uint32_t rate)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!rateUsable(rate))
            return nullptr;
        return handedOut(FftEffect::createEnvelope(blockFrames, channels, rate));
    });
}

int32_t doEnvAnalyze(void* handle, const int16_t* src, float* dst, uint32_t srcBytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        FftEffect* e = effectAs<FftEffect>(handle, EffectType::Fft);
        return static_cast<int32_t>(e->envelope(src, dst, srcBytes));
    });
}

int32_t termEnvAnalyze(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<FftEffect>(handle, EffectType::Fft); });
}

}  // extern "C"
