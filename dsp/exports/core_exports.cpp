#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"

#include <climits>

#include "dsp/core/cpu_switches.h"
#include "dsp/core/pcm_convert.h"

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

int32_t dspPcmEncode(const float* src, int16_t* dst, uint32_t count)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        // The byte count returned must fit the result.
        if (src == nullptr || dst == nullptr || count > INT32_MAX / 2)
            return 0;
        return static_cast<int32_t>(pcmEncode(src, dst, count));
    });
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
