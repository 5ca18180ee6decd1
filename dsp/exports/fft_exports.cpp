#include "orvane/dsp.h"

#include "dsp/analysis/fft_effect.h"
#include "dsp/exports/export_support.h"

extern "C" {

void* initFft(uint32_t n, uint32_t channels, uint32_t spectra, uint32_t floorDb)
{
    return dspGuard<void*>(
        nullptr, [&]() -> void* { return handedOut(FftEffect::createBlockFft(n, channels, spectra, floorDb)); });
}

int32_t doFft(void* handle, const int16_t* src, float* dst, uint32_t srcBytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        FftEffect* e = effectAs<FftEffect>(handle, EffectType::Fft);
        return static_cast<int32_t>(e->blockSpectra(src, dst, srcBytes));
    });
}

int32_t termFft(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<FftEffect>(handle, EffectType::Fft); });
}

}  // extern "C"
