#include "mp3/decoder/synthesis_window.h"
#include "mp3/decoder/synthesis_window_table.h"

namespace decoder {

void buildVolumeWindow(float volume, VolumeWindow& w) {
    for (int i = 0; i < 32; ++i) {
        for (int n = 0; n < 16; ++n) w.natural[i * 16 + n] = volume * synthesisWindow(n * 32 + i);
        for (int t = 0; t < 32; ++t) w.rotating[i * 32 + t] = w.natural[i * 16 + 15 - (t & 15)];
    }
}

void synthesisWindowPlain(float* out, const float* w, const float* v, int p) {
    for (int i = 0; i < 32; ++i) {
        const float* wr = w + i * 16;
        const float* vr = v + i * 16;
        float sum = 0.0f;
        for (int n = 0; n < 16; ++n) sum += wr[n] * vr[(p - n) & 15];
        out[i] = sum;
    }
}

}  // namespace decoder
