#include "orvane/dsp.h"

#include "dsp/wavefile/wavefile_in.h"
#include "dsp/wavefile/wavefile_out.h"

namespace {

WavefileIn* reader(void* handle)
{
    return DspObject::from<WavefileIn>(handle, ObjectFamily::WaveReader);
}
WavefileOut* writer(void* handle)
{
    return DspObject::from<WavefileOut>(handle, ObjectFamily::WaveWriter);
}

}  // namespace

extern "C" {

void* initWavefileIn(const char* path, uint32_t frames)
{
    WavefileIn* in = WavefileIn::open(path, frames);
    return in != nullptr ? DspObject::handleOf(in) : nullptr;
}

int32_t readWavefileIn(void* handle, void* dst, uint32_t frames)
{
    return reader(handle) != nullptr ? reader(handle)->read(dst, frames) : 0;
}

int32_t seekWavefileIn(void* handle, int32_t bytes, int32_t fromCurrent)
{
    return reader(handle) != nullptr ? reader(handle)->seek(bytes, fromCurrent != 0) : 0;
}

int32_t timeSeekWavefileIn(void* handle, float seconds, int32_t fromCurrent)
{
    return reader(handle) != nullptr ? reader(handle)->timeSeek(seconds, fromCurrent != 0) : 0;
}

OrvaneWavefileHeader* getHeaderWavefileIn(void* handle)
{
    return reader(handle) != nullptr ? reader(handle)->header() : nullptr;
}

OrvaneWaveFormat* getFormatWavefileIn(void* handle)
{
    return reader(handle) != nullptr ? reader(handle)->format() : nullptr;
}

void* bufSizeExtendWavefileIn(void* handle, uint32_t frames)
{
    return reader(handle) != nullptr ? reader(handle)->resizeBuffer(frames) : nullptr;
}

void termWavefileIn(void* handle)
{
    delete reader(handle);
}

void* initWavefileOut(const char* path, const OrvaneWaveFormat* format)
{
    WavefileOut* out = format != nullptr ? WavefileOut::create(path, *format) : nullptr;
    return out != nullptr ? DspObject::handleOf(out) : nullptr;
}

int32_t writeWavefileOut(void* handle, const void* src, int32_t bytes)
{
    return writer(handle) != nullptr ? writer(handle)->write(src, bytes) : 0;
}

int32_t flushWavefileOut(void* handle)
{
    return writer(handle) != nullptr && writer(handle)->flush() ? 1 : 0;
}

OrvaneWaveFormat* getFormatWavefileOut(void* handle)
{
    return writer(handle) != nullptr ? writer(handle)->format() : nullptr;
}

uint32_t termWavefileOut(void* handle)
{
    if (writer(handle) == nullptr)
        return 0;
    const uint32_t bytes = writer(handle)->close();
    delete writer(handle);
    return bytes;
}

}  // extern "C"
