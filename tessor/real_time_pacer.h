#pragma once

#include <cstdint>

// Holds a writer to the real-time rate of a stream: after each block it sleeps until the moment
// the samples written so far would have finished playing.
class RealTimePacer {
public:
    explicit RealTimePacer(uint32_t rate) : rate_(rate) { restart(); }

    void restart();
    void advance(uint32_t frames);

private:
    uint32_t rate_;
    uint32_t startTick_ = 0;
    uint64_t frames_ = 0;
};
