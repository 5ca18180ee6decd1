#include "orvane/dsp.h"

#include <new>

#include "dsp/core/dsp_chain.h"

namespace {

DspChain* asChain(void* chain)
{
    return DspObject::from<DspChain>(chain, ObjectFamily::Chain);
}

}  // namespace

extern "C" {

void* dspCreate(uint32_t frames, uint32_t channels, uint32_t rate)
{
    try {
        if (!DspChain::validFormat(frames, channels, rate))
            return nullptr;
        DspChain* chain = new (std::nothrow) DspChain(frames, channels, rate);
        return chain != nullptr ? DspObject::handleOf(chain) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

int32_t dspAdd(void* chain, void* effect, uint32_t order)
{
    try {
        return asChain(chain)
            ? static_cast<int32_t>(asChain(chain)->add(DspObject::from<DspEffect>(effect, ObjectFamily::Effect), order))
            : 0;
    } catch (...) {
        return 0;
    }
}

void dspAdjust(void* chain, uint32_t frames, uint32_t channels, uint32_t rate)
{
    try {
        if (asChain(chain))
            asChain(chain)->adjust(frames, channels, rate);
    } catch (...) {
        return;
    }
}

int32_t dspSend(void* chain, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    try {
        return asChain(chain) ? static_cast<int32_t>(asChain(chain)->send(src, dst, srcBytes)) : 0;
    } catch (...) {
        return 0;
    }
}

int32_t dspSendFloat(void* chain, const float* src, float* dst, uint32_t frames)
{
    try {
        return asChain(chain) ? static_cast<int32_t>(asChain(chain)->sendFloat(src, dst, frames)) : 0;
    } catch (...) {
        return 0;
    }
}

void dspClear(void* chain)
{
    try {
        if (asChain(chain))
            asChain(chain)->clear();
    } catch (...) {
        return;
    }
}

uint32_t dspGetDstRate(void* chain)
{
    return asChain(chain) ? asChain(chain)->dstRate() : 0;
}

uint32_t dspGetDstChannels(void* chain)
{
    return asChain(chain) ? asChain(chain)->dstChannels() : 0;
}

uint32_t dspGetDstSize(void* chain, uint32_t srcFrames)
{
    return asChain(chain) ? asChain(chain)->dstSize(srcFrames) : 0;
}

void* dspGetHandle(void* chain, uint32_t index)
{
    return asChain(chain) ? asChain(chain)->effectAt(index) : nullptr;
}

void dspDestroy(void* chain)
{
    delete asChain(chain);
}

}  // extern "C"
