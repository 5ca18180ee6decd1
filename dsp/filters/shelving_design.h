#pragma once

#include <cstdint>

#include "dsp/filters/radix2_transform.h"

// Frequency-sampling design of the shelving equaliser's linear-phase FIR. With n gains the
// sampled response has 2n points and the impulse response 4n - 1 taps centred on tap 2n - 1.

// Raised-cosine window of taps values whose divisor is taps itself: w[0] = 0, w[taps-1] != 0.
void shelvingWindow(uint32_t taps, float* w);

// From the 2n-point linear response s (mirrored: s[m] = s[2n-1-m]) computes the cosine series
// r[k] = (1/2n) sum s[m] cos(2 pi k m / 2n) with transform (sized 2n) over the work arrays re
// and im, then writes taps h[t -+ k] = r[k] w[t -+ k] around t = 2n - 1. r may be null.
void shelvingTaps(const float* s, uint32_t n, const float* window, const Radix2Transform& transform, float* re,
                  float* im, float* h, float* r = nullptr);
