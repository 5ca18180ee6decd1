#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace testsig {

// How long a test waits for something that takes milliseconds on an idle machine: long enough
// for a machine loaded many times over, so only a lost wake-up or a hang runs into it.
constexpr uint32_t kGenerousMs = 30000;

// Polls condition until it holds or deadlineMs pass; whether it held.
template<class Condition> bool waitUntil(Condition condition, uint32_t deadlineMs = kGenerousMs)
{
    const uint32_t start = platform::tickCount();
    while (!condition()) {
        if (platform::tickCount() - start >= deadlineMs)
            return condition();
        platform::sleepMs(2);
    }
    return true;
}

}  // namespace testsig
