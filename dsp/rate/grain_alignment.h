#pragma once

#include <cstdint>

// Where a new grain should read so that it continues in phase with the grain already sounding.
// Without this, consecutive grains of a tone differ by an arbitrary fraction of its period and the
// overlap-add drifts the tone's frequency by up to half the grain rate.
namespace grain_alignment {

// Longest lag searched, in samples (a period of 110 Hz at 44.1 kHz), and the compared span.
constexpr int32_t kMaxLag = 400;
constexpr int32_t kWindow = 192;

// Returns the lag d in [-maxLag, 0] for which x[a+d-kWindow .. a+d) best matches x[b-kWindow .. b)
// (normalised correlation), refined to a fraction of a sample by a parabola through the scores
// around the best whole lag. maxLag above kMaxLag searches kMaxLag. The caller guarantees every
// index from a-maxLag-kWindow-1 and b-kWindow up to a and b lies inside x.
float bestLag(const float* x, int64_t a, int64_t b, int32_t maxLag);

}  // namespace grain_alignment
