#pragma once

#include <cstdint>

// Coefficients of one second-order section in direct form II. The feedback terms carry their
// sign: w = x + a1*z1 + a2*z2; y = b0*w + b1*z1 + b2*z2.
struct BiquadSection {
    double a1 = 0.0;
    double a2 = 0.0;
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
};

// Sections an order-N cascade needs: ceil(N / 2); 0 for N <= 0.
int32_t biquadSectionCount(int32_t order);

// The low-pass prototype cutoff a design really uses: a high-pass mirrors fc about fs/4.
// The result is clamped into (0, fs/2), where the bilinear designs stay stable.
double prototypeCutoff(double sampleRate, double cutoff, bool highPass);

// Chebyshev type I of the given order and pass-band ripple (dB); writes biquadSectionCount(order)
// sections to out. Even orders sit at the bottom of the ripple band at 0 Hz, odd orders at 1.
// A high-pass is the low-pass at the mirrored cutoff with z replaced by -z.
void designChebyshevSections(int32_t order, bool highPass, double sampleRate, double cutoff, double rippleDb,
                             BiquadSection* out);

// Butterworth of the given order; same conventions as the Chebyshev design.
void designButterworthSections(int32_t order, bool highPass, double sampleRate, double cutoff, BiquadSection* out);

// True when a design can be made from these arguments: a positive finite rate and a finite cutoff.
bool designArgumentsUsable(double sampleRate, double cutoff);
