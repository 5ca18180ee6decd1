#include "tessor/real_time_pacer.h"

#include "platform/platform.h"

void RealTimePacer::restart()
{
    startTick_ = platform::tickCount();
    frames_ = 0;
}

void RealTimePacer::advance(uint32_t frames)
{
    frames_ += frames;
    const uint64_t due = frames_ * 1000 / rate_;
    const uint32_t elapsed = platform::tickCount() - startTick_;
    // Far behind (the source was slow or the thread idle): start afresh rather than rush.
    if (elapsed > due + 500) {
        restart();
        return;
    }
    if (due > elapsed)
        platform::sleepMs(static_cast<uint32_t>(due - elapsed));
}
