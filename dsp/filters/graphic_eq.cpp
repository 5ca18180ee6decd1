#include "dsp/filters/graphic_eq.h"

#include <algorithm>

GraphicEQ::GraphicEQ(uint32_t bandCount, const GraphicEQBandParams* bands, float masterGainDb)
    : bandCount_(bandCount), table_(std::make_unique<GraphicEQBandParams[]>(bandCount)), masterGain_(masterGainDb)
{
    type = EffectType::GraphicEq;
    std::copy(bands, bands + bandCount, table_.get());
}

void GraphicEQ::allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate)
{
    const uint32_t designedRate = outRate;
    allocBaseBuffers(frames, channels);
    inRate = rate;
    for (GraphicEQChannel& bank : banks_) {
        if (!bank.ready || rate != designedRate)
            bank.design(int32_t(rate), frames, bandCount_, table_.get(), masterGain_);
        else
            bank.reserve(frames);
    }
    outRate = inRate;
}

uint32_t GraphicEQ::processChannel(uint32_t channel, const float* in, float* out, uint32_t frames)
{
    return banks_[channel & 1].process(in, out, frames);
}

bool GraphicEQ::setGain(uint32_t band, float gainDb)
{
    if (band >= bandCount_)
        return false;
    for (GraphicEQChannel& bank : banks_)
        bank.band(band).setGain(gainDb);
    table_[band].gain = gainDb;
    return true;
}

bool GraphicEQ::remakeBand(uint32_t band, float frequency, float zeroRadius, float poleRadius)
{
    if (band >= bandCount_)
        return false;
    for (GraphicEQChannel& bank : banks_)
        bank.band(band).redesign(frequency, zeroRadius, poleRadius);
    GraphicEQBandParams& p = table_[band];
    p.frequency = frequency;
    p.zeroRadius = zeroRadius;
    p.poleRadius = poleRadius;
    return true;
}

void GraphicEQ::setMasterGain(float masterGainDb)
{
    for (GraphicEQChannel& bank : banks_)
        bank.setMasterGain(masterGainDb);
    masterGain_ = masterGainDb;
}
