#include "mp3/decoder/fast_dct.h"

#include "mp3/decoder/dct_constants.h"
#include "mp3/decoder/lee_dct.h"

namespace decoder {

// Flattened so the whole recursion becomes one straight-line routine without calls.
__attribute__((flatten)) void dct32(const float* x, float* out)
{
    float scratch[32];
    for (int k = 0; k < 32; ++k)
        scratch[k] = x[k];
    leeDct32(scratch, out, dctConstants());
}

}  // namespace decoder
