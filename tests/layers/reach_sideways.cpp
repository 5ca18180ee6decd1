// Compiled in the filter family's view: a family includes a sibling only through the core.
#include "dsp/rate/resampler.h"
