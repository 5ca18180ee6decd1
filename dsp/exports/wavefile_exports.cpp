#include "orvane/dsp.h"

#include "dsp/wavefile/wavefile_in.h"
#include "dsp/wavefile/wavefile_out.h"

namespace {

WavefileIn* reader(void* handle) { return static_cast<WavefileIn*>(handle); }
WavefileOut* writer(void* handle) { return static_cast<WavefileOut*>(handle); }

}  // namespace

extern "C" {

void* initWavefileIn(const char* path, uint32_t frames) { return WavefileIn::open(path, frames); }

int32_t readWavefileIn(void* handle, void* dst, uint32_t frames)
{
    return handle != nullptr ? reader(handle)->read(dst, frames) : 0;
}

int32_t seekWavefileIn(void* handle, int32_t bytes, int32_t fromCurrent)
{
    return handle != nullptr ? reader(handle)->seek(bytes, fromCurrent != 0) : 0;
}

int32_t timeSeekWavefileIn(void* handle, float seconds, int32_t fromCurrent)
{
    return handle != nullptr ? reader(handle)->timeSeek(seconds, fromCurrent != 0) : 0;
}

OrvaneWavefileHeader* getHeaderWavefileIn(void* handle)
{
    return handle != nullptr ? reader(handle)->header() : nullptr;
}

OrvaneWaveFormat* getFormatWavefileIn(void* handle)
{
    return handle != nullptr ? reader(handle)->format() : nullptr;
}

void* bufSizeExtendWavefileIn(void* handle, uint32_t frames)
{
    return handle != nullptr ? reader(handle)->resizeBuffer(frames) : nullptr;
}

void termWavefileIn(void* handle) { delete reader(handle); }

void* initWavefileOut(const char* path, const OrvaneWaveFormat* format)
{
    return format != nullptr ? WavefileOut::create(path, *format) : nullptr;
}

int32_t writeWavefileOut(void* handle, const void* src, int32_t bytes)
{
    return handle != nullptr ? writer(handle)->write(src, bytes) : 0;
}

int32_t flushWavefileOut(void* handle)
{
    return handle != nullptr && writer(handle)->flush() ? 1 : 0;
}

OrvaneWaveFormat* getFormatWavefileOut(void* handle)
{
    return handle != nullptr ? writer(handle)->format() : nullptr;
}

uint32_t termWavefileOut(void* handle)
{
    if (handle == nullptr)
        return 0;
    const uint32_t bytes = writer(handle)->close();
    delete writer(handle);
    return bytes;
}

}  // extern "C"
