#include "dsp/filters/db_table.h"

#include <cmath>

DbTable::DbTable()
{
    for (uint32_t i = 0; i <= kSteps; ++i)
        values_[i] = static_cast<float>(std::pow(10.0, 0.05 * (-50.0 + i * 100.0 / kSteps)));
}

const DbTable& DbTable::instance()
{
    static const DbTable table;
    return table;
}

namespace {
// Builds the table while the library loads, so that no processing call pays for it.
const DbTable& builtAtLoad = DbTable::instance();
}  // namespace
