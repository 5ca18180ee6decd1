#pragma once

#include <cstdint>

// Where a new grain should read so that it continues in phase with the grain already sounding.
// Without this, consecutive grains of a tone differ by an arbitrary fraction of its period and the
// overlap-add drifts the tone's frequency by up to half the grain rate.
namespace grain_alignment {

// Longest lag searched, in samples (a period of 110 Hz at 44.1 kHz), and the compared span.
constexpr int32_t kMaxLag = 400;
constexpr int32_t kWindow = 192;

// Returns the lag d in [-maxLag, 0] for which x[a+d-window .. a+d) best matches x[b-window .. b)
// (normalised correlation), refined to a fraction of a sample by a parabola through the scores
// around the best whole lag. The caller guarantees every index from a-maxLag-window-1 and
// b-window up to a and b lies inside x.
float bestLag(const float* x, int64_t a, int64_t b, int32_t maxLag, int32_t window);

}  // namespace grain_alignment
