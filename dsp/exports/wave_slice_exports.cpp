#include <new>

#include "dsp/exports/export_support.h"
#include "dsp/rate/wave_slice.h"
#include "orvane/dsp.h"

namespace {

WaveSlice* slicerOf(void* handle)
{
    return effectAs<WaveSlice>(handle, EffectType::WaveSlice);
}

}  // namespace

extern "C" {

void* initWaveSlice(uint32_t frames, uint32_t channels, uint32_t sampleRate, float onDb, float offDb,
                    float risePercent, float minSeconds)
{
    if (sampleRate == 0)
        return nullptr;
    try {
        auto* slicer = new WaveSlice;
        slicer->setup(frames, channels, sampleRate, onDb, offDb, risePercent, minSeconds);
        return slicer;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int32_t doWaveSlice(void* handle, const int16_t* src, uint32_t srcBytes)
{
    WaveSlice* slicer = slicerOf(handle);
    if (slicer == nullptr || (srcBytes != 0 && src == nullptr))
        return 0;
    try {
        return slicer->slicePcm16(src, srcBytes) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

uint32_t stopWaveSlice(void* handle)
{
    WaveSlice* slicer = slicerOf(handle);
    if (slicer == nullptr)
        return 0;
    try {
        return slicer->detector.stop();
    } catch (const std::bad_alloc&) {
        return slicer->detector.count();
    }
}

const OrvaneSlice* getWaveSlice(void* handle, uint32_t index)
{
    if (stopWaveSlice(handle) == 0)
        return nullptr;
    return slicerOf(handle)->detector.slice(index);
}

int32_t termWaveSlice(void* handle)
{
    return terminateEffect<WaveSlice>(handle, EffectType::WaveSlice);
}

}  // extern "C"
