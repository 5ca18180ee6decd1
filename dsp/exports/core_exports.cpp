#include "orvane/dsp.h"

#include <climits>

#include "dsp/core/cpu_switches.h"
#include "dsp/core/pcm_convert.h"

extern "C" {

uint32_t dspGetVersion(void)
{
    return ORVANE_VERSION;
}

void dspEnableMmx(int32_t on)
{
    cpu::enableMmx(on != 0);
}
void dspEnableSse(int32_t on)
{
    cpu::enableSse(on != 0);
}
void dspEnable3dnow(int32_t on)
{
    cpu::enable3dnow(on != 0);
}

int32_t dspPcmEncode(const float* src, int16_t* dst, uint32_t count)
{
    // The byte count returned must fit the result.
    if (src == nullptr || dst == nullptr || count > INT32_MAX / 2)
        return 0;
    return static_cast<int32_t>(pcmEncode(src, dst, count));
}

int32_t dspPcmDecode(void)
{
    return 0;
}

}  // extern "C"
