#include "dsp/filters/crossfader_unit.h"

#include <cmath>

#include "dsp/filters/db_table.h"

void CrossFaderUnit::setCurve(float centreDb, float edgeDb, float centreWidth, float edgePosition)
{
    centre_ = centreDb;
    edge_ = edgeDb;
    width_ = std::fabs(centreWidth);
    edgePos_ = std::fabs(edgePosition);
    // A zero width or edge leaves the rows that would divide by it empty.
    nearSlopeA_ = width_ != 0.0f ? -centreDb / width_ : 0.0f;
    nearSlopeB_ = width_ != 0.0f ? centreDb / width_ : 0.0f;
    farSlopeA_ = edgePos_ != 0.0f ? (centreDb - edgeDb) / edgePos_ : 0.0f;
    farSlopeB_ = edgePos_ != 0.0f ? (edgeDb - centreDb) / edgePos_ : 0.0f;
}

void CrossFaderUnit::applyValue(float v)
{
    const DbTable& db = DbTable::instance();
    if (v > width_)
        gainA_ = 1.0f;
    else if (v >= 0.0f)
        gainA_ = db.lookup(centre_ + v * nearSlopeA_);
    else if (v >= -edgePos_)
        gainA_ = db.lookup(centre_ + v * farSlopeA_);
    else
        gainA_ = 0.0f;

    if (v < -width_)
        gainB_ = 1.0f;
    else if (v <= 0.0f)
        gainB_ = db.lookup(centre_ + v * nearSlopeB_);
    else if (v <= edgePos_)
        gainB_ = db.lookup(centre_ + v * farSlopeB_);
    else
        gainB_ = 0.0f;
}

void CrossFaderUnit::process(const float* inA, const float* inB, float* out, uint32_t frames)
{
    uint32_t i = 0;
    while (i < frames) {
        const uint32_t run = beginRun(frames - i);
        if (ramping()) {
            for (uint32_t j = 0; j < run; ++j, ++i) {
                float v = rampValue(clock_ + j);
                // The position stays on the fader's travel; NaN is taken as the centre.
                v = v > 1.0f ? 1.0f : v < -1.0f ? -1.0f : v == v ? v : 0.0f;
                value_ = v;
                CrossFaderUnit::applyValue(v);
                out[i] = gainA_ * inA[i] + gainB_ * inB[i];
            }
        } else {
            const float a = gainA_;
            const float b = gainB_;
            for (uint32_t j = 0; j < run; ++j, ++i)
                out[i] = a * inA[i] + b * inB[i];
        }
        clock_ += run;
    }
}
