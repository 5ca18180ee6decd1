#pragma once

#include <cstdint>

namespace layer3 {

// x[i] = a * power[is[i]] * factor for i < count, eight lines at a time with gathers and the
// scalar order of products, so the result is the plain one bit for bit. Only called once the CPU
// check has found AVX2.
void scaleLinesAvx2(const int32_t* is, int count, float a, float factor, const float* power, float* x);

}  // namespace layer3
