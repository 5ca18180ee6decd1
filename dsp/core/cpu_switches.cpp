#include "dsp/core/cpu_switches.h"

namespace cpu {
namespace {
std::atomic<bool> useMmx{false};
std::atomic<bool> useSse{false};
std::atomic<bool> use3dnow{false};
}  // namespace

void enableMmx(bool on)
{
    useMmx.store(on, std::memory_order_relaxed);
}
void enableSse(bool on)
{
    useSse.store(on, std::memory_order_relaxed);
}
void enable3dnow(bool on)
{
    use3dnow.store(on, std::memory_order_relaxed);
}
bool mmxOn()
{
    return useMmx.load(std::memory_order_relaxed);
}
bool sseOn()
{
    return useSse.load(std::memory_order_relaxed);
}
bool threeDNowOn()
{
    return use3dnow.load(std::memory_order_relaxed);
}

Path activePath()
{
    if (threeDNowOn())
        return Path::ThreeDNow;
    if (sseOn())
        return Path::Sse;
    return Path::Plain;
}

}  // namespace cpu
