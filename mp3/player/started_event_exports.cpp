#include <new>

#include "mp3/player/started_event.h"
#include "orvane/mp3.h"

extern "C" {

MP3_API OrvaneEvent* OrvaneEventCreate(void) { return new (std::nothrow) OrvaneEvent(); }

MP3_API int32_t OrvaneEventWait(OrvaneEvent* event, uint32_t timeoutMs)
{
    return event != nullptr && event->wait(timeoutMs) ? 1 : 0;
}

MP3_API int32_t OrvaneEventSet(OrvaneEvent* event)
{
    if (event == nullptr)
        return 0;
    event->set();
    return 1;
}

MP3_API int32_t OrvaneEventReset(OrvaneEvent* event)
{
    if (event == nullptr)
        return 0;
    event->reset();
    return 1;
}

MP3_API void OrvaneEventDestroy(OrvaneEvent* event) { delete event; }

}  // extern "C"
