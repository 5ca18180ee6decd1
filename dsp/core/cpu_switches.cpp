#include "dsp/core/cpu_switches.h"

#include <atomic>

namespace cpu {
namespace {
std::atomic<bool> useMmx{true};
std::atomic<bool> useSse{true};
std::atomic<bool> use3dnow{false};
std::atomic<bool> useAvx2{true};
}  // namespace

bool hasAvx2Fma()
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

bool supported(Path path)
{
    return path != Path::Avx2 || hasAvx2Fma();
}

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
void enableAvx2(bool on)
{
    useAvx2.store(on, std::memory_order_relaxed);
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
bool avx2On()
{
    return useAvx2.load(std::memory_order_relaxed);
}

Path activePath()
{
    if (threeDNowOn())
        return Path::ThreeDNow;
    if (avx2On() && hasAvx2Fma())
        return Path::Avx2;
    if (sseOn())
        return Path::Sse;
    return Path::Plain;
}

}  // namespace cpu
