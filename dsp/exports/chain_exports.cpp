#include "orvane/dsp.h"

#include "dsp/exports/export_support.h"

#include <new>

#include "dsp/core/dsp_chain.h"

namespace {

DspChain* asChain(void* chain)
{
    return export_guard::require(DspObject::from<DspChain>(chain, ObjectFamily::Chain), "not a chain handle");
}

}  // namespace

extern "C" {

void* dspCreate(uint32_t frames, uint32_t channels, uint32_t rate)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!DspChain::validFormat(frames, channels, rate))
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or rate out of range");
        return DspObject::handleOf(new DspChain(frames, channels, rate));
    });
}

int32_t dspAdd(void* chain, void* effect, uint32_t order)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        return static_cast<int32_t>(
            asChain(chain)->add(DspObject::from<DspEffect>(effect, ObjectFamily::Effect), order));
    });
}

void dspAdjust(void* chain, uint32_t frames, uint32_t channels, uint32_t rate)
{
    dspGuard([&] { asChain(chain)->adjust(frames, channels, rate); });
}

int32_t dspSend(void* chain, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    return dspGuard<int32_t>(
        0, [&]() -> int32_t { return static_cast<int32_t>(asChain(chain)->send(src, dst, srcBytes)); });
}

int32_t dspSendFloat(void* chain, const float* src, float* dst, uint32_t frames)
{
    return dspGuard<int32_t>(
        0, [&]() -> int32_t { return static_cast<int32_t>(asChain(chain)->sendFloat(src, dst, frames)); });
}

void dspClear(void* chain)
{
    dspGuard([&] { asChain(chain)->clear(); });
}

uint32_t dspGetDstRate(void* chain)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t { return asChain(chain)->dstRate(); });
}

uint32_t dspGetDstChannels(void* chain)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t { return asChain(chain)->dstChannels(); });
}

uint32_t dspGetDstSize(void* chain, uint32_t srcFrames)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t { return asChain(chain)->dstSize(srcFrames); });
}

void* dspGetHandle(void* chain, uint32_t index)
{
    return dspGuard<void*>(nullptr, [&]() -> void* { return asChain(chain)->effectAt(index); });
}

void dspDestroy(void* chain)
{
    dspGuard([&] {
        delete DspObject::from<DspChain>(chain, ObjectFamily::Chain);  // null or a foreign handle: nothing
    });
}

}  // extern "C"
