#include "mp3/decoder/synthesis_filter.h"

#include <emmintrin.h>

#include <cstring>

#include "mp3/decoder/fast_dct.h"
#include "mp3/decoder/synthesis_filter_avx2.h"

SynthesisFilter::SynthesisFilter()
{
    decoder::buildVolumeWindow(volume_, window_);
    reset();
}

void SynthesisFilter::reset()
{
    std::memset(v_, 0, sizeof(v_));
    std::memset(samples_, 0, sizeof(samples_));
    active_ = 0;
    ring_ = 15;
}

void SynthesisFilter::configure(decoder::VectorPath path, float volume)
{
    path_ = decoder::usableVectorPath(path);
    if (volume == volume_)
        return;
    volume_ = volume;
    decoder::buildVolumeWindow(volume_, window_);
}

void SynthesisFilter::run(float* out)
{
    alignas(32) float scratch[32];
    if (!out)
        out = scratch;

    // Matrixing: V[i] = sum_k cos((16 + i)(2k + 1) pi / 64) S[k]. With the DCT-II X of S,
    // V[i] = X[16 + i] for i = 0..15 and V[33 + j] = -X[15 - j] for j = 0..15; the rest of the
    // 64 values follow from V[16] = 0, V[16 + m] = -V[16 - m], V[32] = -V[0], V[48 + m] = V[48 - m].
    // x[32] = 0 stands for V[16], so both rows are runs of four plain or reversed, negated loads.
    const int p = ring_;
    float* act = v_[active_] + 32 * p;
    float* oth = v_[active_ ^ 1] + 32 * p;
    if (path_ == decoder::VectorPath::Avx2) {
        decoder::synthesisRunsAvx2(samples_, 1, v_, active_, ring_, window_.taps, out);
        return;
    }
    float x[33];
    decoder::dct32(samples_, x);
    x[32] = 0.0f;
    const __m128 sign = _mm_set1_ps(-0.0f);
    // -x[at + 3], -x[at + 2], -x[at + 1], -x[at].
    auto negReversed = [&](int at) {
        const __m128 q = _mm_loadu_ps(x + at);
        return _mm_xor_ps(_mm_shuffle_ps(q, q, _MM_SHUFFLE(0, 1, 2, 3)), sign);
    };
    for (int b = 0; b < 4; ++b) {
        // active row r holds V[r]: X[16..31], then -X[32 - m] for r = 16 + m.
        _mm_store_ps(act + 4 * b, _mm_loadu_ps(x + 16 + 4 * b));
        _mm_store_ps(act + 16 + 4 * b, negReversed(29 - 4 * b));
        // other row r holds V[32 + r]: -X[16 - r] for r = 0..16, then -X[r - 16].
        _mm_store_ps(oth + 4 * b, negReversed(13 - 4 * b));
        _mm_store_ps(oth + 16 + 4 * b, _mm_xor_ps(_mm_loadu_ps(x + 4 * b), sign));
    }
    std::memcpy(act + decoder::kVolumeWindowSize, act, 32 * sizeof(float));
    std::memcpy(oth + decoder::kVolumeWindowSize, oth, 32 * sizeof(float));

    const float* v = v_[active_];
    switch (path_) {
    case decoder::VectorPath::ThreeDNow:
        decoder::synthesisWindow3dnow(out, window_.taps, v, p);
        break;
    case decoder::VectorPath::Sse:
        decoder::synthesisWindowSse(out, window_.taps, v, p);
        break;
    case decoder::VectorPath::Avx2:  // run above
    case decoder::VectorPath::Plain:
        decoder::synthesisWindowPlain(out, window_.taps, v, p);
        break;
    }

    active_ ^= 1;
    ring_ = (ring_ + 1) & 15;
}

void SynthesisFilter::runRows(const float* in, int count, float* out)
{
    if (path_ == decoder::VectorPath::Avx2 && out != nullptr) {
        decoder::synthesisRunsAvx2(in, count, v_, active_, ring_, window_.taps, out);
        return;
    }
    for (int s = 0; s < count; ++s) {
        std::memcpy(samples_, in + 32 * s, sizeof(samples_));
        run(out != nullptr ? out + 32 * s : nullptr);
    }
}
