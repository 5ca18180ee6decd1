#include "dsp/core/chebyshev_cascade.h"

void ChebyshevCascade::design(float sampleRate, float cutoff)
{
    designChebyshev(sampleRate, cutoff, 1.0f);
}
