#include "dsp/filters/sine_table.h"

#include <cmath>

SineTable::SineTable()
{
    for (uint32_t i = 0; i <= kSize; ++i)
        values_[i] = static_cast<float>(std::sin(2.0 * M_PI * i / kSize));
}

const SineTable& SineTable::instance()
{
    static const SineTable table;
    return table;
}
