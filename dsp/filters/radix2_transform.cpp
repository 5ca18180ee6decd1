#include "dsp/filters/radix2_transform.h"

#include <cmath>
#include <utility>

void Radix2Transform::setSize(uint32_t size)
{
    if (!isPowerOfTwo(size)) {
        size_ = 0;
        return;
    }
    size_ = size;
    uint32_t bits = 0;
    while ((1u << bits) < size)
        ++bits;
    bitReverse_.assign(size, 0);
    for (uint32_t i = 0; i < size; ++i) {
        uint32_t r = 0;
        for (uint32_t b = 0; b < bits; ++b)
            r |= ((i >> b) & 1u) << (bits - 1 - b);
        bitReverse_[i] = r;
    }
    cosTable_.resize(size / 2);
    sinTable_.resize(size / 2);
    for (uint32_t i = 0; i < size / 2; ++i) {
        const double a = 2.0 * 3.14159265358979323846 * i / size;
        cosTable_[i] = float(std::cos(a));
        sinTable_[i] = float(std::sin(a));
    }
}

void Radix2Transform::forward(float* re, float* im) const
{
    for (uint32_t i = 0; i < size_; ++i) {
        const uint32_t r = bitReverse_[i];
        if (r > i) {
            std::swap(re[i], re[r]);
            std::swap(im[i], im[r]);
        }
    }
    for (uint32_t span = 1; span < size_; span *= 2) {
        const uint32_t step = size_ / (2 * span);
        for (uint32_t start = 0; start < size_; start += 2 * span) {
            for (uint32_t k = 0; k < span; ++k) {
                const float c = cosTable_[k * step];
                const float s = -sinTable_[k * step];
                const uint32_t a = start + k, b = a + span;
                const float tr = re[b] * c - im[b] * s;
                const float ti = re[b] * s + im[b] * c;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
        }
    }
}
