#pragma once

#include <cstdint>
#include <vector>

#include "orvane/dsp.h"

// Gain in dB at freq of a fresh graphic equaliser with these bands and master gain, measured
// by running a tone through doGraphicEQ (+inf when the output grows without bound). False when
// the equaliser cannot be created.
bool measureGraphicEq(const std::vector<GraphicEQBandParams>& bands, double masterDb, uint32_t rate, double freq,
                      double& db);
