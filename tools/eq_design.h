#pragma once

#include <cstdint>
#include <vector>

#include "orvane/dsp.h"

// Design of orvane fx's octave equaliser as a cascade of one-band graphic equalisers (the
// library's parallel bands only add, so they cannot cut). Each section is a pole pair and a
// zero pair at a band's centre: poles outside the zeros boost, zeros outside the poles cut by
// the same dB. Every section is scaled to unit gain at whichever end of the spectrum (0 Hz or
// half the rate) lies farther from it; a band at 0 dB has no section, so the flat setting is
// exactly flat. The bands' gains are solved (Newton steps on the closed-form responses) so that
// the cascade meets every asked gain at the octave centres, whatever the neighbours spill.

// The octave centres, 31.25 Hz to 16 kHz.
constexpr double kOctaveCentres[] = {31.25, 62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
constexpr uint32_t kOctaveBands = 10;

// Sections (each one band with its gain in dB, for initGraphicEQ with a master gain of 0 dB)
// whose cascade has the asked gain at every octave centre below 0.45 x rate; the bands above
// are left out. Solved directly from the sections' closed-form responses.
std::vector<GraphicEQBandParams> designOctaveEq(const double (&gainsDb)[kOctaveBands], uint32_t rate);
