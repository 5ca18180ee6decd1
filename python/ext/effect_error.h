#pragma once

#include <stdexcept>

// The library refused an effect setting or failed while processing; raised in Python as
// orvane.EffectError.
struct EffectFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
