#include "dsp/filters/shelving_eq.h"

#include <algorithm>

ShelvingEQ::ShelvingEQ()
{
    type = EffectType::ShelvingEq;
}

bool ShelvingEQ::setup(uint32_t n, const float* gainsDb, float outputLevelDb)
{
    if (n == 0 || n > kMaxGains || !Radix2Transform::isPowerOfTwo(n))
        return false;
    for (ShelvingEQChannel& c : channels_) {
        c.prepare(n);
        c.design(gainsDb, outputLevelDb);
    }
    gains_ = std::make_unique<float[]>(n);
    std::copy(gainsDb, gainsDb + n, gains_.get());
    n_ = n;
    outputLevel_ = outputLevelDb;
    return true;
}

uint32_t ShelvingEQ::processChannel(uint32_t channel, const float* in, float* out, uint32_t frames)
{
    return channels_[channel & 1].process(in, out, frames);
}

bool ShelvingEQ::setGain(uint32_t band, float gainDb)
{
    if (band >= n_)
        return false;
    for (ShelvingEQChannel& c : channels_)
        c.setGain(band, gainDb);
    gains_[band] = gainDb;
    return true;
}

void ShelvingEQ::setOutputLevel(float outputLevelDb)
{
    for (ShelvingEQChannel& c : channels_)
        c.setOutputLevel(outputLevelDb);
    outputLevel_ = outputLevelDb;
}
