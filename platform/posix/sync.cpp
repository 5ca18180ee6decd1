#include "platform/platform.h"

#include <chrono>
#include <cstdio>
#include <new>
#include <thread>

#include "platform/show_message.h"

namespace platform {

uint32_t tickCount()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms);
}

void sleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Event::Event(bool signalled) : signalled_(signalled) { }

Event::~Event() = default;

void Event::set()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_all();
}

void Event::reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
}

bool Event::isSet() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return signalled_;
}

bool Event::wait(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (timeoutMs == kInfinite) {
        cv_.wait(lock, [this] { return signalled_; });
        return true;
    }
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
}

void* Event::handle()
{
    return this;
}

void* Event::createHandle()
{
    return new (std::nothrow) Event();
}

void Event::destroyHandle(void* handle)
{
    delete static_cast<Event*>(handle);
}

void Event::setHandle(void* handle)
{
    if (handle != nullptr)
        static_cast<Event*>(handle)->set();
}

void Event::resetHandle(void* handle)
{
    if (handle != nullptr)
        static_cast<Event*>(handle)->reset();
}

bool Event::waitHandle(void* handle, uint32_t timeoutMs)
{
    return handle != nullptr && static_cast<Event*>(handle)->wait(timeoutMs);
}

int32_t interlockedIncrement(std::atomic<int32_t>& v)
{
    return v.fetch_add(1) + 1;
}

int32_t interlockedDecrement(std::atomic<int32_t>& v)
{
    return v.fetch_sub(1) - 1;
}

void showMessage(const char* caption, const char* text)
{
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

}  // namespace platform
