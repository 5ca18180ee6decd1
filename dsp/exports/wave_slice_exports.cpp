#include <memory>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/rate/wave_slice.h"
#include "orvane/dsp.h"

namespace {

WaveSlice* slicerOf(void* handle)
{
    return effectAs<WaveSlice>(handle, EffectType::WaveSlice);
}

}  // namespace

extern "C" {

void* initWaveSlice(uint32_t frames, uint32_t channels, uint32_t sampleRate, float onDb, float offDb, float risePercent,
                    float minSeconds)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(frames, channels, sampleRate))
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        auto slicer = std::make_unique<WaveSlice>();
        slicer->setup(frames, channels, sampleRate, onDb, offDb, risePercent, minSeconds);
        return handedOut(slicer.release());
    });
}

int32_t doWaveSlice(void* handle, const int16_t* src, uint32_t srcBytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        WaveSlice* slicer = slicerOf(handle);
        if (srcBytes != 0 && src == nullptr)
            export_guard::refuse(export_guard::kBadArgument, "a null buffer");
        return slicer->slicePcm16(src, srcBytes) ? 1 : 0;
    });
}

uint32_t stopWaveSlice(void* handle)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t {
        WaveSlice* slicer = slicerOf(handle);
        try {
            return slicer->detector.stop();
        } catch (const std::bad_alloc&) {
            return slicer->detector.count();
        }
    });
}

const OrvaneSlice* getWaveSlice(void* handle, uint32_t index)
{
    return dspGuard<const OrvaneSlice*>(nullptr, [&]() -> const OrvaneSlice* {
        if (stopWaveSlice(handle) == 0)
            return nullptr;
        return slicerOf(handle)->detector.slice(index);
    });
}

int32_t termWaveSlice(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<WaveSlice>(handle, EffectType::WaveSlice); });
}

}  // extern "C"
