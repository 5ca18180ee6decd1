#pragma once

#include <pybind11/numpy.h>

#include <cstdint>
#include <string>
#include <vector>

// Runs interleaved float samples (full scale 1) through the effects named in the grammar of
// `orvane fx`. Returns the (frames, channels) result and its rate. Bad words or arguments raise
// ValueError; a setting the library refuses raises the module's EffectError.
pybind11::tuple runEffects(pybind11::array_t<float, pybind11::array::c_style> samples, uint32_t rate,
                           const std::vector<std::string>& specs);
