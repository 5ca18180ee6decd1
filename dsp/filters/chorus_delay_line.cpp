#include "dsp/filters/chorus_delay_line.h"

#include <cstring>

#include "dsp/core/fast_heap.h"

ChorusDelayLine::~ChorusDelayLine()
{
    ChorusDelayLine::release();
}

void ChorusDelayLine::release()
{
    if (ready)
        FastHeap::instance().free(storage);
    storage = nullptr;
    ready = 0;
}

bool ChorusDelayLine::setupLine(uint32_t rate, float delayMs)
{
    sampleRate = rate;
    setDelayMs(delayMs);
    writeIndex = 0;
    // Every voice reads the same samples, so one region serves them all.
    if (!ready) {
        storage = static_cast<float*>(FastHeap::instance().alloc(kCapacity * sizeof(float)));
        if (storage == nullptr)
            return false;
        ready = 1;
    }
    std::memset(storage, 0, kCapacity * sizeof(float));
    return true;
}

void ChorusDelayLine::setDelayMs(float delayMs)
{
    const double samples = double(sampleRate) * delayMs * 0.001;
    // Clamped before the conversion: a delay beyond the line (or NaN) has no meaning here.
    if (!(samples >= 0.0))
        delay = 0;
    else if (samples >= double(kMask))
        delay = int32_t(kMask);
    else
        delay = static_cast<int32_t>(samples);
}
