#include "dsp/filters/iir_filter.h"

IirFilter::IirFilter(int32_t order, float cutoff, int32_t kind) : order_(order), cutoff_(cutoff), kind_(kind)
{
    type = EffectType::IirFilter;
}

void IirFilter::designCascades(uint32_t rate)
{
    for (ChebyshevCascade& c : cascades_) {
        c.setOrder(order_, kind_);
        c.design(static_cast<float>(rate), cutoff_);
    }
}

void IirFilter::allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate)
{
    const uint32_t designedRate = outRate;
    const bool designed = cascades_[0].ready != 0;
    allocBaseBuffers(frames, channels);
    inRate = rate;
    if (!designed || rate != designedRate)
        designCascades(rate);
    outRate = inRate;
}

uint32_t IirFilter::processChannel(uint32_t channel, const float* in, float* out, uint32_t frames)
{
    return cascades_[channel & 1].process(in, out, frames);
}
