#include "mp3/decoder/stereo_processing.h"

#include <algorithm>
#include <cmath>

#include <xmmintrin.h>

namespace layer3 {
namespace {

constexpr float kInvSqrt2 = 0.70710677f;
constexpr double kPi = 3.14159265358979323846;

struct IntensityTables {
    float mpeg1Left[7], mpeg1Right[7];  // ratio / (1 + ratio) and 1 / (1 + ratio), ratio = tan(p pi / 12)
    float mpeg2[2][32];                 // io^n, io = 2^(-1/4) (even scalefac_compress) or 2^(-1/2)
    IntensityTables()
    {
        for (int p = 0; p < 7; ++p) {
            const float ratio = static_cast<float>(std::tan(p * kPi / 12.0));
            const float r = 1.0f / (ratio + 1.0f);
            mpeg1Right[p] = r;
            mpeg1Left[p] = r * ratio;
        }
        for (int n = 0; n < 32; ++n) {
            mpeg2[0][n] = static_cast<float>(std::pow(2.0, -0.25 * n));
            mpeg2[1][n] = static_cast<float>(std::pow(2.0, -0.5 * n));
        }
    }
};

const IntensityTables& intensityTables()
{
    static const IntensityTables* t = new IntensityTables();
    return *t;
}

// Fills pos[576] with each line's intensity position, -1 below the intensity bands.
void intensityPositions(const StereoInput& in, const float* right, int rightNonzero, int pos[kGranuleLines])
{
    const GranuleInfo& g = *in.right;
    const ScaleFactors& sf = *in.rightFactors;
    const BandTable& bands = *in.bands;
    std::fill(pos, pos + kGranuleLines, -1);
    // Highest non-zero line of the right channel, or -1.
    auto lastNonzero = [&](int from, int to, int stride) {
        int last = -1;
        for (int i = from; i < to && i < rightNonzero; i += stride)
            if (right[i] != 0.0f)
                last = i;
        return last;
    };
    bool longPartIntensity = true;
    if (g.shortBlocks()) {
        const int firstShort = g.mixedBlock ? 3 : 0;
        for (int w = 0; w < 3; ++w) {
            // The first short band above this window's highest non-zero line starts the intensity part.
            int start = firstShort;
            for (int b = firstShort; b < 13; ++b) {
                const int width = bands.shortEdge[b + 1] - bands.shortEdge[b];
                const int base = 3 * bands.shortEdge[b] + w * width;
                if (lastNonzero(base, base + width, 1) >= 0)
                    start = b + 1;
            }
            if (start > firstShort)
                longPartIntensity = false;
            for (int b = start; b < 13; ++b) {
                const int width = bands.shortEdge[b + 1] - bands.shortEdge[b];
                const int base = 3 * bands.shortEdge[b] + w * width;
                const int p = b == 12 ? sf.s[w][11] : sf.s[w][b];  // the last band takes the one below
                std::fill(pos + base, pos + base + width, p);
            }
        }
        if (!g.mixedBlock)
            return;
    }
    if (!longPartIntensity)
        return;
    const int longBands = g.shortBlocks() ? mixedLongBands(in.format->mpeg1) : 22;
    const int last = lastNonzero(0, bands.longEdge[longBands], 1);
    int start = 0;
    for (int b = 0; b < longBands; ++b)
        if (last >= bands.longEdge[b])
            start = b + 1;
    for (int b = start; b < longBands; ++b) {
        const int p = b == 21 ? sf.l[20] : sf.l[b];
        std::fill(pos + bands.longEdge[b], pos + bands.longEdge[b + 1], p);
    }
}

// Mid/side to left/right over lines [0, count), four at a time: the same single-precision sums
// and products as one line at a time.
void midSideToLeftRight(float* left, float* right, int count)
{
    const __m128 k = _mm_set1_ps(kInvSqrt2);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 l = _mm_loadu_ps(left + i);
        const __m128 r = _mm_loadu_ps(right + i);
        _mm_storeu_ps(left + i, _mm_mul_ps(_mm_add_ps(l, r), k));
        _mm_storeu_ps(right + i, _mm_mul_ps(_mm_sub_ps(l, r), k));
    }
    for (; i < count; ++i) {
        const float l = left[i], r = right[i];
        left[i] = (l + r) * kInvSqrt2;
        right[i] = (l - r) * kInvSqrt2;
    }
}

}  // namespace

int processStereo(const StereoInput& in, float* left, float* right, int leftNonzero, int rightNonzero)
{
    const FrameFormat& f = *in.format;
    int extent = std::max(leftNonzero, rightNonzero);
    if (!f.intensity()) {
        if (f.midSide())
            midSideToLeftRight(left, right, extent);
        return extent;
    }
    int pos[kGranuleLines];
    intensityPositions(in, right, rightNonzero, pos);
    const IntensityTables& t = intensityTables();
    const bool ms = f.midSide();
    const float* io = t.mpeg2[in.right->scalefacCompress & 1];
    // Intensity bands copy the left channel into the right, so both may reach the left's extent.
    extent = std::max(extent, leftNonzero);
    for (int i = 0; i < extent; ++i) {
        const float l = left[i], r = right[i];
        const int p = pos[i];
        if (f.mpeg1) {
            // Positions 7 and above (4-bit scale factors) are outside the ratio table: not intensity coded.
            if (p < 0 || p >= kNotIntensity) {
                if (ms) {
                    left[i] = (l + r) * kInvSqrt2;
                    right[i] = (l - r) * kInvSqrt2;
                }
                continue;
            }
            left[i] = l * t.mpeg1Left[p];
            right[i] = l * t.mpeg1Right[p];
            continue;
        }
        if (p < 0) {
            if (ms) {
                left[i] = (l + r) * kInvSqrt2;
                right[i] = (l - r) * kInvSqrt2;
            }
            continue;
        }
        const int q = p & 31;  // scale factors have at most 4 bits; the mask keeps the table bound visible
        float k0 = 1.0f, k1 = 1.0f;
        if (q & 1)
            k0 = io[(q + 1) >> 1];
        else if (q)
            k1 = io[q >> 1];
        left[i] = l * k0;
        right[i] = l * k1;
    }
    return extent;
}

}  // namespace layer3
