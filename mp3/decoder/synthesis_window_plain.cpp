#include "mp3/decoder/synthesis_window.h"
#include "mp3/decoder/synthesis_window_table.h"

namespace decoder {

void buildVolumeWindow(float volume, VolumeWindow& w)
{
    for (int k = 0; k < kVolumeWindowSize; ++k)
        w.taps[k] = volume * synthesisWindow(k);
}

void synthesisWindowPlain(float* out, const float* w, const float* v, int p)
{
    const float* v0 = v + 32 * p;
    for (int i = 0; i < 32; ++i)
        out[i] = w[i] * v0[i];
    for (int n = 1; n < 16; ++n) {
        const float* wn = w + 32 * n;
        const float* vn = v + 32 * ((p - n) & 15);
        for (int i = 0; i < 32; ++i)
            out[i] += wn[i] * vn[i];
    }
}

}  // namespace decoder
