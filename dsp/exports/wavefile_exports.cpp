#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"

#include "dsp/wavefile/wavefile_in.h"
#include "dsp/wavefile/wavefile_out.h"

namespace {

WavefileIn* reader(void* handle)
{
    return export_guard::require(DspObject::from<WavefileIn>(handle, ObjectFamily::WaveReader),
                                 "not a WAV reader handle");
}
WavefileOut* writer(void* handle)
{
    return export_guard::require(DspObject::from<WavefileOut>(handle, ObjectFamily::WaveWriter),
                                 "not a WAV writer handle");
}

}  // namespace

extern "C" {

void* initWavefileIn(const char* path, uint32_t frames)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        WavefileIn* in = WavefileIn::open(path, frames);
        return in != nullptr ? DspObject::handleOf(in) : nullptr;
    });
}

int32_t readWavefileIn(void* handle, void* dst, uint32_t frames)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return reader(handle)->read(dst, frames); });
}

int32_t seekWavefileIn(void* handle, int32_t bytes, int32_t fromCurrent)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return reader(handle)->seek(bytes, fromCurrent != 0); });
}

int32_t timeSeekWavefileIn(void* handle, float seconds, int32_t fromCurrent)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return reader(handle)->timeSeek(seconds, fromCurrent != 0); });
}

OrvaneWavefileHeader* getHeaderWavefileIn(void* handle)
{
    return dspGuard<OrvaneWavefileHeader*>(nullptr,
                                           [&]() -> OrvaneWavefileHeader* { return reader(handle)->header(); });
}

OrvaneWaveFormat* getFormatWavefileIn(void* handle)
{
    return dspGuard<OrvaneWaveFormat*>(nullptr, [&]() -> OrvaneWaveFormat* { return reader(handle)->format(); });
}

void* bufSizeExtendWavefileIn(void* handle, uint32_t frames)
{
    return dspGuard<void*>(nullptr, [&]() -> void* { return reader(handle)->resizeBuffer(frames); });
}

void termWavefileIn(void* handle)
{
    dspGuard([&] {
        delete DspObject::from<WavefileIn>(handle, ObjectFamily::WaveReader);  // null or a foreign handle: nothing
    });
}

void* initWavefileOut(const char* path, const OrvaneWaveFormat* format)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (format == nullptr)
            export_guard::refuse(export_guard::kBadArgument, "no format given");
        WavefileOut* out = WavefileOut::create(path, *format);
        return out != nullptr ? DspObject::handleOf(out) : nullptr;
    });
}

int32_t writeWavefileOut(void* handle, const void* src, int32_t bytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return writer(handle)->write(src, bytes); });
}

int32_t flushWavefileOut(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return writer(handle)->flush() ? 1 : 0; });
}

OrvaneWaveFormat* getFormatWavefileOut(void* handle)
{
    return dspGuard<OrvaneWaveFormat*>(nullptr, [&]() -> OrvaneWaveFormat* { return writer(handle)->format(); });
}

uint32_t termWavefileOut(void* handle)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t {
        if (writer(handle) == nullptr)
            return 0;
        const uint32_t bytes = writer(handle)->close();
        delete DspObject::from<WavefileOut>(handle, ObjectFamily::WaveWriter);
        return bytes;
    });
}

}  // extern "C"
