#pragma once

namespace decoder {

// 32-point DCT-II, X[m] = sum_k x[k] cos(m (2k + 1) pi / 64), by Lee's recursive split: the sums
// and the scaled differences of mirrored inputs give the even and odd outputs from two half-size
// transforms. Written once for any value type with +, - and multiplication by a float: float for
// one row, or a vector holding one row per lane, whose butterflies then need no shuffles. Without
// contracted multiply-adds every lane gives exactly the float form's bits.
//
// The N inputs are x[0], x[In], ..., x[(N - 1) In] and are overwritten: the sums replace the first
// half and the differences the second, mirrored, which the odd half-size transform reads with the
// stride negated. The outputs go to out[0], out[Out], ...: the even half's to every other one, the
// odd half's between them, where each then adds its successor. No value is copied, so vectors
// too large to stay in registers are read and written in place. c points at this size's N/2
// factors (see dct_constants.h); the next size's follow them.
template<int N, int In, int Out, class T> struct LeeDct {
    static void run(T* x, T* out, const float* c)
    {
        constexpr int H = N / 2;
#pragma GCC unroll 16
        for (int k = 0; k < H; ++k) {
            const T a = x[k * In], b = x[(N - 1 - k) * In];
            x[k * In] = a + b;
            x[(N - 1 - k) * In] = (a - b) * c[k];
        }
        LeeDct<H, In, 2 * Out, T>::run(x, out, c + H);
        LeeDct<H, -In, 2 * Out, T>::run(x + (N - 1) * In, out + Out, c + H);
#pragma GCC unroll 16
        for (int m = 0; m < H - 1; ++m)
            out[(2 * m + 1) * Out] = out[(2 * m + 1) * Out] + out[(2 * m + 3) * Out];
    }
};

template<int In, int Out, class T> struct LeeDct<2, In, Out, T> {
    static void run(T* x, T* out, const float* c)
    {
        const T a = x[0], b = x[In];
        out[0] = a + b;
        out[Out] = (a - b) * c[0];
    }
};

// The transform of the 32 values at x (overwritten) into out.
template<class T> inline void leeDct32(T* x, T* out, const float* c)
{
    LeeDct<32, 1, 1, T>::run(x, out, c);
}

}  // namespace decoder
