#include "orvane/dsp.h"

#include "dsp/core/fast_heap.h"

extern "C" {

void* fastmemAlloc(uint32_t bytes)
{
    return FastHeap::instance().alloc(bytes);
}
int32_t fastmemFree(void* p)
{
    return FastHeap::instance().free(p);
}
void* fastmemRealloc(void* p, uint32_t bytes)
{
    return FastHeap::instance().realloc(p, bytes);
}
uint32_t fastmemGetAllocatedSize(void)
{
    return static_cast<uint32_t>(FastHeap::instance().totalBytes());
}

}  // extern "C"
