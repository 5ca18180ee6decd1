#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"

#include <climits>

#include "dsp/core/cpu_switches.h"
#include "dsp/core/pcm_convert.h"
#include "dsp/core/pcm_full_scale.h"

namespace {

// The family's checks, then the conversion.
template<typename In, typename Out, typename Convert>
int32_t convertSamples(const In* src, Out* dst, uint32_t count, Convert convert)
{
    if (src == nullptr || dst == nullptr || count > INT32_MAX)
        return 0;
    convert(src, dst, count);
    return static_cast<int32_t>(count);
}

}  // namespace

static_assert(export_guard::kCannotOpen == DSP_ERROR_CANNOT_OPEN && export_guard::kUnsupported == DSP_ERROR_UNSUPPORTED
                  && export_guard::kTruncated == DSP_ERROR_TRUNCATED
                  && export_guard::kOutOfMemory == DSP_ERROR_OUT_OF_MEMORY
                  && export_guard::kBadArgument == DSP_ERROR_BAD_ARGUMENT
                  && export_guard::kWrongHandle == DSP_ERROR_WRONG_HANDLE && export_guard::kFailed == DSP_ERROR_FAILED,
              "the header's error codes are the guard's");

extern "C" {

uint32_t dspGetVersion(void)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t { return ORVANE_VERSION; });
}

void dspEnableMmx(int32_t on)
{
    dspGuard([&] { cpu::enableMmx(on != 0); });
}
void dspEnableSse(int32_t on)
{
    dspGuard([&] { cpu::enableSse(on != 0); });
}
void dspEnable3dnow(int32_t on)
{
    dspGuard([&] { cpu::enable3dnow(on != 0); });
}
void dspEnableAvx2(int32_t on)
{
    cpu::enableAvx2(on != 0);
}

int32_t dspGetVectorPath(void)
{
    return static_cast<int32_t>(cpu::activePath());
}

int32_t dspVectorPathSupported(int32_t path)
{
    if (path < 0 || path > static_cast<int32_t>(cpu::Path::Avx2))
        return 0;
    return cpu::supported(static_cast<cpu::Path>(path)) ? 1 : 0;
}

int32_t dspPcmEncode(const float* src, int16_t* dst, uint32_t count)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        // The byte count returned must fit the result.
        if (src == nullptr || dst == nullptr || count > INT32_MAX / 2)
            return 0;
        return static_cast<int32_t>(pcmEncode(src, dst, count));
    });
}

int32_t dspFloatToPcm16(const float* src, int16_t* dst, uint32_t count)
{
    return convertSamples(src, dst, count, [](const float* s, int16_t* d, size_t n) { pcm::toInt16(s, d, n); });
}
int32_t dspFloatToPcm24(const float* src, uint8_t* dst, uint32_t count)
{
    return convertSamples(src, dst, count, pcm::toInt24);
}
int32_t dspFloatToPcm32(const float* src, int32_t* dst, uint32_t count)
{
    return convertSamples(src, dst, count, pcm::toInt32);
}
int32_t dspScaledFloatToPcm16(const float* src, int16_t* dst, uint32_t count)
{
    return convertSamples(src, dst, count, [](const float* s, int16_t* d, size_t n) { pcm::toInt16(s, d, n, 1.0f); });
}
int32_t dspPcm16ToFloat(const int16_t* src, float* dst, uint32_t count)
{
    return convertSamples(src, dst, count, pcm::fromInt16);
}
int32_t dspPcm24ToFloat(const uint8_t* src, float* dst, uint32_t count)
{
    return convertSamples(src, dst, count, pcm::fromInt24);
}
int32_t dspPcm32ToFloat(const int32_t* src, float* dst, uint32_t count)
{
    return convertSamples(src, dst, count, pcm::fromInt32);
}

int32_t dspPcmDecode(void)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return 0; });
}

const char* dspLastError(void)
{
    return export_guard::lastError<DspLibrary>().reason;
}

int32_t dspLastErrorCode(void)
{
    return export_guard::lastError<DspLibrary>().code;
}

}  // extern "C"
