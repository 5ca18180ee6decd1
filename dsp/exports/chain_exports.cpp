#include "orvane/dsp.h"

#include <new>

#include "dsp/core/dsp_chain.h"

namespace {

DspChain* asChain(void* chain) { return static_cast<DspChain*>(chain); }

}  // namespace

extern "C" {

void* dspCreate(uint32_t frames, uint32_t channels, uint32_t rate)
{
    if (!DspChain::validFormat(frames, channels, rate))
        return nullptr;
    return new (std::nothrow) DspChain(frames, channels, rate);
}

int32_t dspAdd(void* chain, void* effect, uint32_t order)
{
    return chain ? static_cast<int32_t>(asChain(chain)->add(static_cast<DspEffect*>(effect), order)) : 0;
}

void dspAdjust(void* chain, uint32_t frames, uint32_t channels, uint32_t rate)
{
    if (chain)
        asChain(chain)->adjust(frames, channels, rate);
}

int32_t dspSend(void* chain, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    return chain ? static_cast<int32_t>(asChain(chain)->send(src, dst, srcBytes)) : 0;
}

int32_t dspSendFloat(void* chain, const float* src, float* dst, uint32_t frames)
{
    return chain ? static_cast<int32_t>(asChain(chain)->sendFloat(src, dst, frames)) : 0;
}

void dspClear(void* chain)
{
    if (chain)
        asChain(chain)->clear();
}

uint32_t dspGetDstRate(void* chain) { return chain ? asChain(chain)->dstRate() : 0; }

uint32_t dspGetDstChannels(void* chain) { return chain ? asChain(chain)->dstChannels() : 0; }

uint32_t dspGetDstSize(void* chain, uint32_t srcFrames) { return chain ? asChain(chain)->dstSize(srcFrames) : 0; }

void* dspGetHandle(void* chain, uint32_t index) { return chain ? asChain(chain)->effectAt(index) : nullptr; }

void dspDestroy(void* chain) { delete asChain(chain); }

}  // extern "C"
