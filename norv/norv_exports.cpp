#include "norv/conversion_output.h"
#include "norv/norv_guard.h"
#include "orvane/norv.h"

extern "C" {

uint32_t NORVGetVersion(void)
{
    return norvGuard<uint32_t>(0, [&]() -> uint32_t { return ORVANE_VERSION; });
}

int32_t NORVSetSampleRate(int32_t rate)
{
    return norvGuard<int32_t>(0, [&]() -> int32_t { return ConversionOutput::instance().setRate(rate) ? 1 : 0; });
}

int32_t NORVSetOutputFile(const char* path)
{
    return norvGuard<int32_t>(0, [&]() -> int32_t { return ConversionOutput::instance().setPath(path) ? 1 : 0; });
}

int32_t shortMono(const int16_t* pcm, int32_t samples, int32_t)
{
    return norvGuard<int32_t>(
        0, [&]() -> int32_t { return ConversionOutput::instance().write(pcm, samples, 1) ? samples : 0; });
}

int32_t shortStereo(const int16_t* pcm, int32_t pairs, int32_t)
{
    return norvGuard<int32_t>(
        0, [&]() -> int32_t { return ConversionOutput::instance().write(pcm, pairs, 2) ? pairs : 0; });
}

uint32_t NORVClose(void)
{
    return norvGuard<uint32_t>(0xFFFFFFFFu, [&]() -> uint32_t { return ConversionOutput::instance().close(); });
}

int32_t NORVLastError(void)
{
    return norvGuard<int32_t>(0, [&]() -> int32_t { return ConversionOutput::instance().lastError(); });
}

}  // extern "C"
