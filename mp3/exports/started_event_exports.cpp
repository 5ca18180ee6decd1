#include "orvane/mp3.h"
#include "platform/platform.h"

// An OrvaneEvent* is the platform's event handle (an event HANDLE on Windows), so OrvanePlay
// takes it, or any such handle, as its started event.

extern "C" {

MP3_API OrvaneEvent* OrvaneEventCreate(void)
{
    return static_cast<OrvaneEvent*>(platform::Event::createHandle());
}

MP3_API int32_t OrvaneEventWait(OrvaneEvent* event, uint32_t timeoutMs)
{
    return platform::Event::waitHandle(event, timeoutMs) ? 1 : 0;
}

MP3_API int32_t OrvaneEventSet(OrvaneEvent* event)
{
    if (event == nullptr)
        return 0;
    platform::Event::setHandle(event);
    return 1;
}

MP3_API int32_t OrvaneEventReset(OrvaneEvent* event)
{
    if (event == nullptr)
        return 0;
    platform::Event::resetHandle(event);
    return 1;
}

MP3_API void OrvaneEventDestroy(OrvaneEvent* event)
{
    platform::Event::destroyHandle(event);
}

}  // extern "C"
