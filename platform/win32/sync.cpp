#include "platform/platform.h"

#include <windows.h>

#include "platform/show_message.h"

namespace platform {

uint32_t tickCount()
{
    return GetTickCount();
}

void sleepMs(uint32_t ms)
{
    Sleep(ms);
}

Event::Event(bool signalled) : event_(CreateEventA(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr)) { }

Event::~Event()
{
    if (event_ != nullptr)
        CloseHandle(event_);
}

void Event::set()
{
    SetEvent(event_);
}

void Event::reset()
{
    ResetEvent(event_);
}

bool Event::isSet() const
{
    return WaitForSingleObject(event_, 0) == WAIT_OBJECT_0;
}

bool Event::wait(uint32_t timeoutMs)
{
    static_assert(kInfinite == INFINITE, "the infinite wait is the system's");
    return WaitForSingleObject(event_, timeoutMs) == WAIT_OBJECT_0;
}

void* Event::handle()
{
    return event_;
}

void* Event::createHandle()
{
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void Event::destroyHandle(void* handle)
{
    if (handle != nullptr)
        CloseHandle(handle);
}

void Event::setHandle(void* handle)
{
    if (handle != nullptr)
        SetEvent(handle);
}

void Event::resetHandle(void* handle)
{
    if (handle != nullptr)
        ResetEvent(handle);
}

bool Event::waitHandle(void* handle, uint32_t timeoutMs)
{
    return handle != nullptr && WaitForSingleObject(handle, timeoutMs) == WAIT_OBJECT_0;
}

// The counters are plain 32-bit words underneath, so the system's interlocked calls work on them.
static_assert(sizeof(std::atomic<int32_t>) == sizeof(LONG) && std::atomic<int32_t>::is_always_lock_free,
              "an atomic int32_t is a bare LONG");

int32_t interlockedIncrement(std::atomic<int32_t>& v)
{
    return InterlockedIncrement(reinterpret_cast<volatile LONG*>(&v));
}

int32_t interlockedDecrement(std::atomic<int32_t>& v)
{
    return InterlockedDecrement(reinterpret_cast<volatile LONG*>(&v));
}

void showMessage(const char* caption, const char* text)
{
    MessageBoxA(nullptr, text ? text : "", caption ? caption : "", MB_OK);
}

}  // namespace platform
