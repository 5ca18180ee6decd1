#include "mp3/decoder/synthesis_filter.h"

#include <cstring>
#include <new>

#include "mp3/decoder/fast_dct.h"
#include "orvane/dsp.h"

namespace {
constexpr uint32_t kVBufferFloats = 512;
}

SynthesisFilter::SynthesisFilter() : window_(new (std::nothrow) decoder::VolumeWindow) {
    for (float*& v : v_) v = static_cast<float*>(fastmemAlloc(kVBufferFloats * sizeof(float)));
    if (window_) decoder::buildVolumeWindow(volume_, *window_);
    reset();
}

SynthesisFilter::~SynthesisFilter() {
    for (float* v : v_) fastmemFree(v);
}

void SynthesisFilter::reset() {
    for (float* v : v_)
        if (v) std::memset(v, 0, kVBufferFloats * sizeof(float));
    std::memset(samples_, 0, sizeof(samples_));
    active_ = 0;
    ring_ = 15;
}

void SynthesisFilter::configure(decoder::VectorPath path, float volume) {
    path_ = path;
    if (volume == volume_ || !window_) return;
    volume_ = volume;
    decoder::buildVolumeWindow(volume_, *window_);
}

void SynthesisFilter::run(float* out) {
    float scratch[32];
    if (!out) out = scratch;
    if (!ready()) {
        std::memset(out, 0, 32 * sizeof(float));
        return;
    }

    // Matrixing: V[i] = sum_k cos((16 + i)(2k + 1) pi / 64) S[k]. With the DCT-II X of S,
    // V[i] = X[16 + i] for i = 0..15 and V[33 + j] = -X[15 - j] for j = 0..15; the rest of the
    // 64 values follow from V[16] = 0, V[16 + m] = -V[16 - m], V[32] = -V[0], V[48 + m] = V[48 - m].
    float x[32];
    decoder::dct32(samples_, x);
    const int p = ring_;
    float* act = v_[active_];
    float* oth = v_[active_ ^ 1];
    // active row r holds V[r]: X[16..31], 0, then -X[31..17].
    for (int r = 0; r < 16; ++r) act[r * 16 + p] = x[16 + r];
    act[16 * 16 + p] = 0.0f;
    for (int r = 17; r < 32; ++r) act[r * 16 + p] = -x[48 - r];
    // other row r holds V[32 + r]: -X[16], then -X[15..0], then -X[1..15].
    oth[p] = -x[16];
    for (int r = 1; r < 17; ++r) oth[r * 16 + p] = -x[16 - r];
    for (int r = 17; r < 32; ++r) oth[r * 16 + p] = -x[r - 16];

    const decoder::VolumeWindow& w = *window_;
    switch (path_) {
    case decoder::VectorPath::ThreeDNow: decoder::synthesisWindow3dnow(out, w.rotating, act, p); break;
    case decoder::VectorPath::Sse: decoder::synthesisWindowSse(out, w.rotating, act, p); break;
    case decoder::VectorPath::Plain: decoder::synthesisWindowPlain(out, w.natural, act, p); break;
    }

    active_ ^= 1;
    ring_ = (ring_ + 1) & 15;
}
