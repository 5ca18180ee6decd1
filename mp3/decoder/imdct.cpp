#include "mp3/decoder/imdct.h"

#include <emmintrin.h>

#include "mp3/decoder/imdct_windows.h"

namespace layer3 {
namespace {

// The 36-point IMDCT of 18 lines is an 18-point DCT-IV read out with symmetries. The DCT-IV is
// computed as a DCT-III of u[k] = X[k] + X[k-1] (output scaled by 2 cos(pi (2n+1) / 72), folded
// into the window), which splits into two 9-point DCT-IIIs over the even and odd u; the odd half
// is pre-summed the same way and rescaled by oddScale. D[n], n = 0..17, is the scaled DCT-IV.
template <typename V, typename Ops>
inline void longCore(const V* X, V D[18], const ImdctWindows& w) {
    V u[18];
    u[0] = X[0];
    for (int k = 1; k < 18; ++k) u[k] = Ops::add(X[k], X[k - 1]);
    V even[9], odd[9];
    even[0] = u[0];
    odd[0] = u[1];
    for (int m = 1; m < 9; ++m) {
        even[m] = u[2 * m];
        odd[m] = Ops::add(u[2 * m + 1], u[2 * m - 1]);
    }
    for (int n = 0; n < 9; ++n) {
        V e = even[0], o = odd[0];
        for (int m = 1; m < 9; ++m) {
            const V c = Ops::set(w.cos9[n][m]);
            e = Ops::add(e, Ops::mul(even[m], c));
            o = Ops::add(o, Ops::mul(odd[m], c));
        }
        o = Ops::mul(o, Ops::set(w.oddScale[n]));
        D[n] = Ops::add(e, o);
        D[17 - n] = Ops::sub(e, o);
    }
}

struct ScalarOps {
    static float add(float a, float b) { return a + b; }
    static float sub(float a, float b) { return a - b; }
    static float mul(float a, float b) { return a * b; }
    static float set(float a) { return a; }
};

struct VecOps {
    static __m128 add(__m128 a, __m128 b) { return _mm_add_ps(a, b); }
    static __m128 sub(__m128 a, __m128 b) { return _mm_sub_ps(a, b); }
    static __m128 mul(__m128 a, __m128 b) { return _mm_mul_ps(a, b); }
    static __m128 set(float a) { return _mm_set1_ps(a); }
};

void shortCore(const float* x, float y[36], const ImdctWindows& w) {
    for (int i = 0; i < 36; ++i) y[i] = 0.0f;
    for (int win = 0; win < 3; ++win) {
        float c[6];
        for (int n = 0; n < 6; ++n) {
            float s = 0.0f;
            for (int k = 0; k < 6; ++k) s += x[3 * k + win] * w.cos6[n][k];
            c[n] = s;
        }
        for (int i = 0; i < 12; ++i) y[6 + 6 * win + i] += c[shortSourceIndex(i)] * w.shortWindow[i];
    }
}

void longScalar(const float* x, int blockType, float y[36], const ImdctWindows& w) {
    float D[18];
    longCore<float, ScalarOps>(x, D, w);
    const float* win = w.longWindow[blockType & 3];
    for (int i = 0; i < 36; ++i) y[i] = D[longSourceIndex(i)] * win[i];
}

void subbandScalar(const float* x, int type, int sb, SlotBlock& overlap, SlotBlock& out, const ImdctWindows& w) {
    float y[36];
    if (type == 2) shortCore(x, y, w);
    else longScalar(x, type, y, w);
    for (int s = 0; s < kSlots; ++s) {
        out[s][sb] = y[s] + overlap[s][sb];
        overlap[s][sb] = y[s + 18];
    }
}

// Four long-block subbands at once, one per vector lane.
void longVector(const float* x, int blockType, int sb, SlotBlock& overlap, SlotBlock& out, const ImdctWindows& w) {
    __m128 X[18];
    for (int k = 0; k < 18; ++k)
        X[k] = _mm_setr_ps(x[18 * sb + k], x[18 * (sb + 1) + k], x[18 * (sb + 2) + k], x[18 * (sb + 3) + k]);
    __m128 D[18];
    longCore<__m128, VecOps>(X, D, w);
    const float* win = w.longWindow[blockType & 3];
    for (int s = 0; s < kSlots; ++s) {
        const __m128 y = _mm_mul_ps(D[longSourceIndex(s)], _mm_set1_ps(win[s]));
        _mm_storeu_ps(&out[s][sb], _mm_add_ps(y, _mm_loadu_ps(&overlap[s][sb])));
        _mm_storeu_ps(&overlap[s][sb], _mm_mul_ps(D[longSourceIndex(s + 18)], _mm_set1_ps(win[s + 18])));
    }
}

}  // namespace

void imdctLongWindowed(const float* x, int blockType, float y[36]) { longScalar(x, blockType, y, imdctWindows()); }
void imdctShortWindowed(const float* x, float y[36]) { shortCore(x, y, imdctWindows()); }

void hybridTransform(Path path, const float x[kGranuleLines], int blockType, bool mixed, int activeSubbands,
                     SlotBlock& overlap, SlotBlock& out) {
    const ImdctWindows& w = imdctWindows();
    if (activeSubbands < 0) activeSubbands = 0;
    if (activeSubbands > kSubbands) activeSubbands = kSubbands;
    int sb = 0;
    if (mixed) {
        // The first group holds two block kinds: the long subbands 0 and 1, then blockType's.
        for (; sb < 4 && sb < activeSubbands; ++sb) subbandScalar(x + 18 * sb, sb < 2 ? 0 : blockType, sb, overlap, out, w);
    }
    if (path != Path::Plain && blockType != 2) {
        for (; sb + 4 <= activeSubbands; sb += 4) longVector(x, blockType, sb, overlap, out, w);
    }
    for (; sb < activeSubbands; ++sb) subbandScalar(x + 18 * sb, blockType, sb, overlap, out, w);
    for (; sb < kSubbands; ++sb) {
        for (int s = 0; s < kSlots; ++s) {
            out[s][sb] = overlap[s][sb];
            overlap[s][sb] = 0.0f;
        }
    }
}

void invertFrequencies(SlotBlock& out) {
    for (int s = 1; s < kSlots; s += 2)
        for (int sb = 1; sb < kSubbands; sb += 2) out[s][sb] = -out[s][sb];
}

}  // namespace layer3
