#pragma once

#include <cstdint>

// Coefficients of one resonator band: a zero pair of radius p and a pole pair of radius q at
// the band frequency, and the normaliser N that brings the band's peak near unit gain.
struct GraphicEQBandDesign {
    float a1 = 0.0f;
    float a2 = 0.0f;
    float b0 = 1.0f;
    float b1 = 0.0f;
    float b2 = 0.0f;
    float normaliser = 1.0f;
};

// Designs a band at frequencyHz for rate sampleRate. The normaliser is 1/|H| evaluated at half
// the band's angle with the feedback terms taken as stored (+a1, +a2): the level this equaliser
// has always had, kept so settings sound as they did.
GraphicEQBandDesign designGraphicEQBand(float frequencyHz, float zeroRadius, float poleRadius, int32_t sampleRate);

// One band of a channel bank: its design, gain and recursion state.
struct GraphicEQBand {
    int32_t sampleRate = 0;
    float frequency = 0.0f;
    float weight = 1.0f;  // gain x normaliser, applied to the band's output
    float gain = 1.0f;    // linear
    GraphicEQBandDesign design;
    float s1 = 0.0f;
    float s2 = 0.0f;

    // Gain in dB; only the weight changes.
    void setGain(float gainDb);
    // New frequency and radii at the band's rate; gain and state are kept.
    void redesign(float frequencyHz, float zeroRadius, float poleRadius);
    // Runs the band over in; Add chooses between writing and accumulating weight * y into out.
    template<bool Add> void run(const float* in, float* out, uint32_t frames);
};
