#include "dsp/analysis/windowed_block.h"

void WindowedBlock::feed(const float* in)
{
    for (uint32_t i = 0; i < size; ++i)
        frame[i] = in[i] * window[i];
}
