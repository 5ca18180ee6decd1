#include "dsp/core/real_fft.h"

#include <cmath>
#include <utility>

void RealFft::prepare(uint32_t n)
{
    if (n == size_ || !validSize(n))
        return;
    // The tables are built aside and taken over only once all exist: a failed allocation leaves
    // the transform as it was.
    const uint32_t half = n / 2;
    uint32_t bits = 0;
    while ((1u << bits) < half)
        ++bits;
    std::vector<uint32_t> bitReverse(half, 0);
    for (uint32_t i = 0; i < half; ++i) {
        uint32_t r = 0;
        for (uint32_t b = 0; b < bits; ++b)
            r |= ((i >> b) & 1u) << (bits - 1 - b);
        bitReverse[i] = r;
    }
    // Angles in double so the largest sizes keep full float accuracy in the tables.
    std::vector<float> twiddle(2 * (half / 2), 0.0f);
    for (uint32_t k = 0; k < half / 2; ++k) {
        const double w = 2.0 * M_PI * k / half;
        twiddle[2 * k] = static_cast<float>(std::cos(w));
        twiddle[2 * k + 1] = static_cast<float>(std::sin(w));
    }
    std::vector<float> split(2 * (n / 4 + 1), 0.0f);
    for (uint32_t k = 0; k <= n / 4; ++k) {
        const double w = 2.0 * M_PI * k / n;
        split[2 * k] = static_cast<float>(std::cos(w));
        split[2 * k + 1] = static_cast<float>(std::sin(w));
    }
    bitReverse_.swap(bitReverse);
    twiddle_.swap(twiddle);
    split_.swap(split);
    size_ = n;
}

// Iterative radix-2 decimation in time over the N/2 points z[j] = a[2j] + i a[2j+1],
// with the usual negative exponent.
void RealFft::complexForward(float* a) const
{
    const uint32_t points = size_ / 2;
    for (uint32_t i = 0; i < points; ++i) {
        const uint32_t j = bitReverse_[i];
        if (i < j) {
            std::swap(a[2 * i], a[2 * j]);
            std::swap(a[2 * i + 1], a[2 * j + 1]);
        }
    }
    for (uint32_t len = 2; len <= points; len *= 2) {
        const uint32_t halfLen = len / 2;
        const uint32_t step = points / len;
        for (uint32_t start = 0; start < points; start += len) {
            for (uint32_t k = 0; k < halfLen; ++k) {
                const float c = twiddle_[2 * k * step];
                const float s = twiddle_[2 * k * step + 1];
                float* p = a + 2 * (start + k);
                float* q = p + 2 * halfLen;
                // t = q * (c - i s)
                const float tr = q[0] * c + q[1] * s;
                const float ti = q[1] * c - q[0] * s;
                q[0] = p[0] - tr;
                q[1] = p[1] - ti;
                p[0] += tr;
                p[1] += ti;
            }
        }
    }
}

// With Z the transform of the packed pairs, the real spectrum is
//   X[k] = E[k] + W^k O[k],  X[M-k] = conj(E[k] - W^k O[k]),  W = exp(-2 pi i / N), M = N/2,
// where E[k] = (Z[k] + conj Z[M-k]) / 2 and O[k] = (Z[k] - conj Z[M-k]) / 2i. The packing stores
// the sine sums, which are -Im X.
void RealFft::forward(float* a) const
{
    if (size_ == 0)
        return;
    complexForward(a);
    const uint32_t m = size_ / 2;
    const float dc = a[0] + a[1];
    const float nyquist = a[0] - a[1];
    a[0] = dc;
    a[1] = nyquist;
    for (uint32_t k = 1; k <= m / 2; ++k) {
        float* zk = a + 2 * k;
        float* zm = a + 2 * (m - k);
        const float er = 0.5f * (zk[0] + zm[0]);
        const float ei = 0.5f * (zk[1] - zm[1]);
        const float orr = 0.5f * (zk[1] + zm[1]);
        const float oi = -0.5f * (zk[0] - zm[0]);
        const float c = split_[2 * k];
        const float s = split_[2 * k + 1];
        // W^k O with W^k = c - i s.
        const float wr = c * orr + s * oi;
        const float wi = c * oi - s * orr;
        zk[0] = er + wr;
        zk[1] = -(ei + wi);
        if (zm != zk) {
            zm[0] = er - wr;
            zm[1] = ei - wi;  // X[M-k] = conj(E - W O); the sine sum is its negated imaginary part
        }
    }
}
