#include <new>

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
    try {
        if (!effectFormatUsable(frames, channels, sampleRate))
            return nullptr;
        auto* slicer = new WaveSlice;
        slicer->setup(frames, channels, sampleRate, onDb, offDb, risePercent, minSeconds);
        return handedOut(slicer);
    } catch (...) {
        return nullptr;
    }
}

int32_t doWaveSlice(void* handle, const int16_t* src, uint32_t srcBytes)
{
    try {
        WaveSlice* slicer = slicerOf(handle);
        if (slicer == nullptr || (srcBytes != 0 && src == nullptr))
            return 0;
        try {
            return slicer->slicePcm16(src, srcBytes) ? 1 : 0;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    } catch (...) {
        return 0;
    }
}

uint32_t stopWaveSlice(void* handle)
{
    try {
        WaveSlice* slicer = slicerOf(handle);
        if (slicer == nullptr)
            return 0;
        try {
            return slicer->detector.stop();
        } catch (const std::bad_alloc&) {
            return slicer->detector.count();
        }
    } catch (...) {
        return 0;
    }
}

const OrvaneSlice* getWaveSlice(void* handle, uint32_t index)
{
    try {
        if (stopWaveSlice(handle) == 0)
            return nullptr;
        return slicerOf(handle)->detector.slice(index);
    } catch (...) {
        return nullptr;
    }
}

int32_t termWaveSlice(void* handle)
{
    try {
        return terminateEffect<WaveSlice>(handle, EffectType::WaveSlice);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
