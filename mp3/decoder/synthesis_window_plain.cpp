#include "mp3/decoder/synthesis_window.h"

namespace decoder {

void synthesisWindowPlain(float* out, uint32_t stride, const float* w, const float* v, int p) {
    for (int i = 0; i < 32; ++i) {
        const float* wr = w + i * 16;
        const float* vr = v + i * 16;
        float sum = 0.0f;
        for (int n = 0; n < 16; ++n) sum += wr[n] * vr[(p - n) & 15];
        out[i * stride] = sum;
    }
}

}  // namespace decoder
