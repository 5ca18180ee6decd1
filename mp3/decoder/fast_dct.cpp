#include "mp3/decoder/fast_dct.h"

#include "mp3/decoder/dct_constants.h"

namespace decoder {

namespace {

// c points at this size's N/2 factors; the next size's follow them.
template<int N> struct LeeDct {
    static void run(const float* x, float* out, const float* c)
    {
        constexpr int H = N / 2;
        float g[H], h[H], ge[H], ho[H];
        for (int k = 0; k < H; ++k) {
            g[k] = x[k] + x[N - 1 - k];
            h[k] = (x[k] - x[N - 1 - k]) * c[k];
        }
        LeeDct<H>::run(g, ge, c + H);
        LeeDct<H>::run(h, ho, c + H);
        for (int m = 0; m < H - 1; ++m) {
            out[2 * m] = ge[m];
            out[2 * m + 1] = ho[m] + ho[m + 1];
        }
        out[N - 2] = ge[H - 1];
        out[N - 1] = ho[H - 1];
    }
};

template<> struct LeeDct<1> {
    static void run(const float* x, float* out, const float*) { out[0] = x[0]; }
};

}  // namespace

// Flattened so the whole recursion becomes one straight-line routine without calls or copies.
__attribute__((flatten)) void dct32(const float* x, float* out)
{
    LeeDct<32>::run(x, out, dctConstants());
}

}  // namespace decoder
