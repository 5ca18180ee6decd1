#include "dsp/core/butterworth_cascade.h"

void ButterworthCascade::design(float sampleRate, float cutoff)
{
    if (!ready || !designArgumentsUsable(sampleRate, cutoff))
        return;
    designButterworthSections(order(), highPass(), sampleRate, cutoff, beginDesign(sampleRate, cutoff));
}
