#include "mp3/decoder/imdct.h"

#include <algorithm>

#include <emmintrin.h>

#include "mp3/decoder/imdct_avx2.h"
#include "mp3/decoder/imdct_windows.h"

namespace layer3 {
namespace {

// The 36-point IMDCT of 18 lines is an 18-point DCT-IV read out with symmetries. The DCT-IV is
// computed as a DCT-III of u[k] = X[k] + X[k-1] (output scaled by 2 cos(pi (2n+1) / 72), folded
// into the window), which splits into two 9-point DCT-IIIs over the even and odd u; the odd half
// is pre-summed the same way and rescaled by oddScale. D[n], n = 0..17, is the scaled DCT-IV.
// Each 9-point DCT-III uses cos(pi (2(8-n)+1) m / 18) = (-1)^m cos(pi (2n+1) m / 18): outputs n
// and 8 - n share the sums over even and odd m, and output 4 needs no product at all.
template<typename V, typename Ops> inline void dct9(const V in[9], const ImdctWindows& w, V out[9])
{
    for (int n = 0; n < 4; ++n) {
        V evenSum = in[0], oddSum = Ops::mul(in[1], Ops::set(w.cos9[n][1]));
        for (int m = 2; m < 9; m += 2)
            evenSum = Ops::add(evenSum, Ops::mul(in[m], Ops::set(w.cos9[n][m])));
        for (int m = 3; m < 9; m += 2)
            oddSum = Ops::add(oddSum, Ops::mul(in[m], Ops::set(w.cos9[n][m])));
        out[n] = Ops::add(evenSum, oddSum);
        out[8 - n] = Ops::sub(evenSum, oddSum);
    }
    out[4] = Ops::add(Ops::sub(Ops::add(Ops::sub(in[0], in[2]), in[4]), in[6]), in[8]);
}

template<typename V, typename Ops> inline void longCore(const V* X, V D[18], const ImdctWindows& w)
{
    V u[18];
    u[0] = X[0];
    for (int k = 1; k < 18; ++k)
        u[k] = Ops::add(X[k], X[k - 1]);
    V even[9], odd[9];
    even[0] = u[0];
    odd[0] = u[1];
    for (int m = 1; m < 9; ++m) {
        even[m] = u[2 * m];
        odd[m] = Ops::add(u[2 * m + 1], u[2 * m - 1]);
    }
    V e[9], o[9];
    dct9<V, Ops>(even, w, e);
    dct9<V, Ops>(odd, w, o);
    for (int n = 0; n < 9; ++n) {
        const V scaled = Ops::mul(o[n], Ops::set(w.oddScale[n]));
        D[n] = Ops::add(e[n], scaled);
        D[17 - n] = Ops::sub(e[n], scaled);
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

void shortCore(const float* x, float y[36], const ImdctWindows& w)
{
    for (int i = 0; i < 36; ++i)
        y[i] = 0.0f;
    for (int win = 0; win < 3; ++win) {
        float c[6];
        for (int n = 0; n < 6; ++n) {
            float s = 0.0f;
            for (int k = 0; k < 6; ++k)
                s += x[3 * k + win] * w.cos6[n][k];
            c[n] = s;
        }
        for (int i = 0; i < 12; ++i)
            y[6 + 6 * win + i] += c[shortSourceIndex(i)] * w.shortWindow[i];
    }
}

void longScalar(const float* x, int blockType, float y[36], const ImdctWindows& w)
{
    float D[18];
    longCore<float, ScalarOps>(x, D, w);
    const float* win = w.longWindow[blockType & 3];
    for (int i = 0; i < 36; ++i)
        y[i] = D[longSourceIndex(i)] * win[i];
}

void subbandScalar(const float* x, int type, int sb, SlotBlock& overlap, SlotBlock& out, const ImdctWindows& w)
{
    float y[36];
    if (type == 2)
        shortCore(x, y, w);
    else
        longScalar(x, type, y, w);
    for (int s = 0; s < kSlots; ++s) {
        out[s][sb] = y[s] + overlap[s][sb];
        overlap[s][sb] = y[s + 18];
    }
}

// Four long-block subbands at once, one per vector lane.
void longVector(const float* x, int blockType, int sb, SlotBlock& overlap, SlotBlock& out, const ImdctWindows& w)
{
    // Lines k of the four subbands into X[k]: four 4 x 4 transposes, then the last two lines.
    const float* r0 = x + 18 * sb;
    const float* r1 = r0 + 18;
    const float* r2 = r1 + 18;
    const float* r3 = r2 + 18;
    __m128 X[18];
    for (int k = 0; k < 16; k += 4) {
        __m128 a = _mm_loadu_ps(r0 + k), b = _mm_loadu_ps(r1 + k), c = _mm_loadu_ps(r2 + k), d = _mm_loadu_ps(r3 + k);
        _MM_TRANSPOSE4_PS(a, b, c, d);
        X[k] = a;
        X[k + 1] = b;
        X[k + 2] = c;
        X[k + 3] = d;
    }
    for (int k = 16; k < 18; ++k)
        X[k] = _mm_setr_ps(r0[k], r1[k], r2[k], r3[k]);
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

void imdctLongWindowed(const float* x, int blockType, float y[36])
{
    longScalar(x, blockType, y, imdctWindows());
}
void imdctShortWindowed(const float* x, float y[36])
{
    shortCore(x, y, imdctWindows());
}

void hybridTransform(Path path, const float x[kGranuleLines], int blockType, bool mixed, int activeSubbands,
                     SlotBlock& overlap, SlotBlock& out)
{
    const ImdctWindows& w = imdctWindows();
    if (activeSubbands < 0)
        activeSubbands = 0;
    if (activeSubbands > kSubbands)
        activeSubbands = kSubbands;
    int sb = 0;
    if (mixed) {
        // The first group holds two block kinds: the long subbands 0 and 1, then blockType's.
        for (; sb < 4 && sb < activeSubbands; ++sb)
            subbandScalar(x + 18 * sb, sb < 2 ? 0 : blockType, sb, overlap, out, w);
    }
    if (path == Path::Avx2 && blockType != 2) {
        // The subbands above the active ones hold zero lines: a last run of eight that takes them
        // in costs less than the narrower kernels would for the rest, and leaves their output and
        // overlap as the copy below does (up to the sign of a zero).
        const int end = std::min(kSubbands, (activeSubbands + 7) & ~7);
        for (; sb + 8 <= end; sb += 8)
            longEightAvx2(x, blockType, sb, overlap, out, w);
        activeSubbands = std::max(activeSubbands, sb);
    }
    if (path != Path::Plain && blockType != 2) {
        for (; sb + 4 <= activeSubbands; sb += 4)
            longVector(x, blockType, sb, overlap, out, w);
    }
    for (; sb < activeSubbands; ++sb)
        subbandScalar(x + 18 * sb, blockType, sb, overlap, out, w);
    for (; sb < kSubbands; ++sb) {
        for (int s = 0; s < kSlots; ++s) {
            out[s][sb] = overlap[s][sb];
            overlap[s][sb] = 0.0f;
        }
    }
}

void invertFrequencies(SlotBlock& out)
{
    const __m128 oddLanes = _mm_setr_ps(0.0f, -0.0f, 0.0f, -0.0f);  // the sign bit of odd subbands
    for (int s = 1; s < kSlots; s += 2)
        for (int sb = 0; sb < kSubbands; sb += 4)
            _mm_storeu_ps(&out[s][sb], _mm_xor_ps(_mm_loadu_ps(&out[s][sb]), oddLanes));
}

}  // namespace layer3
