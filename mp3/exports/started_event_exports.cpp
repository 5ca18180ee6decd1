#include <new>

#include "mp3/exports/mp3_guard.h"
#include "orvane/mp3.h"
#include "platform/platform.h"

// An OrvaneEvent* is the platform's event handle (an event HANDLE on Windows), so OrvanePlay
// takes it, or any such handle, as its started event.

extern "C" {

MP3_API OrvaneEvent* OrvaneEventCreate(void)
{
    return mp3Guard<OrvaneEvent*>(nullptr, [&]() -> OrvaneEvent* {
        void* event = platform::Event::createHandle();
        if (event == nullptr)
            throw std::bad_alloc();
        return static_cast<OrvaneEvent*>(event);
    });
}

MP3_API int32_t OrvaneEventWait(OrvaneEvent* event, uint32_t timeoutMs)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t { return platform::Event::waitHandle(event, timeoutMs) ? 1 : 0; });
}

MP3_API int32_t OrvaneEventSet(OrvaneEvent* event)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (event == nullptr)
            return 0;
        platform::Event::setHandle(event);
        return 1;
    });
}

MP3_API int32_t OrvaneEventReset(OrvaneEvent* event)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (event == nullptr)
            return 0;
        platform::Event::resetHandle(event);
        return 1;
    });
}

MP3_API void OrvaneEventDestroy(OrvaneEvent* event)
{
    mp3Guard([&] { platform::Event::destroyHandle(event); });
}

}  // extern "C"
