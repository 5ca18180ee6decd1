#include "dsp/rate/delay_line.h"

void DelayLine::setup(uint32_t length, float feedback)
{
    buf_.assign(length == 0 ? 1 : length, 0.0f);
    pos_ = 0;
    g_ = feedback;
    ready = 1;
}
