#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"

#include "dsp/core/fast_heap.h"

extern "C" {

void* fastmemAlloc(uint32_t bytes)
{
    return dspGuard<void*>(nullptr, [&]() -> void* { return FastHeap::instance().alloc(bytes); });
}
int32_t fastmemFree(void* p)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return FastHeap::instance().free(p); });
}
void* fastmemRealloc(void* p, uint32_t bytes)
{
    return dspGuard<void*>(nullptr, [&]() -> void* { return FastHeap::instance().realloc(p, bytes); });
}
uint32_t fastmemGetAllocatedSize(void)
{
    return dspGuard<uint32_t>(0,
                              [&]() -> uint32_t { return static_cast<uint32_t>(FastHeap::instance().totalBytes()); });
}

}  // extern "C"
