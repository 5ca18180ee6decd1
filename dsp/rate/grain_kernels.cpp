#include "dsp/rate/grain_kernels.h"

#include "dsp/core/cpu_switches.h"

namespace grain_plain {

void addCubic(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
              float ratio, int32_t first, uint32_t count)
{
    for (uint32_t k = 0; k < count; ++k) {
        const float x = offset + static_cast<float>(first + static_cast<int32_t>(k)) * ratio;
        const auto i = static_cast<int32_t>(x);
        const float f = x - static_cast<float>(i);
        const float* s = src + i;
        const float d10 = s[1] - s[0];
        const float d32 = s[3] - s[2];
        const float c1 = s[2] - s[0];
        const float c3 = d10 + d32;
        const float c2 = c3 + d10;  // the f^2 coefficient is -c2
        const float v = s[1] + f * (c1 + f * (f * c3 - c2));
        acc[k] += v * window[k];
    }
}

void addLinear(float* __restrict acc, const float* __restrict src, const float* __restrict window, float offset,
               float ratio, int32_t first, uint32_t count)
{
    for (uint32_t k = 0; k < count; ++k) {
        const float x = offset + static_cast<float>(first + static_cast<int32_t>(k)) * ratio;
        const auto i = static_cast<int32_t>(x);
        const float f = x - static_cast<float>(i);
        const float v = src[i] + f * (src[i + 1] - src[i]);
        acc[k] += v * window[k];
    }
}

void addWindowed(float* __restrict acc, const float* __restrict src, const float* __restrict window, uint32_t count)
{
    for (uint32_t k = 0; k < count; ++k)
        acc[k] += src[k] * window[k];
}

void scale(float* __restrict out, const float* __restrict factor, float gain, uint32_t count)
{
    for (uint32_t k = 0; k < count; ++k)
        out[k] *= gain * factor[k];
}

void correlate(float* __restrict sums, const float* __restrict cand, const float* __restrict ref, uint32_t count)
{
    float dot[8] = {};
    float energy[8] = {};
    for (uint32_t k = 0; k < count; k += 8) {
        for (uint32_t l = 0; l < 8; ++l) {
            dot[l] += cand[k + l] * ref[k + l];
            energy[l] += cand[k + l] * cand[k + l];
        }
    }
    sums[0] = ((dot[0] + dot[4]) + (dot[2] + dot[6])) + ((dot[1] + dot[5]) + (dot[3] + dot[7]));
    sums[1] = ((energy[0] + energy[4]) + (energy[2] + energy[6])) + ((energy[1] + energy[5]) + (energy[3] + energy[7]));
}

}  // namespace grain_plain

const GrainKernels& plainGrainKernels()
{
    static const GrainKernels k{grain_plain::addCubic, grain_plain::addLinear, grain_plain::addWindowed,
                                grain_plain::scale, grain_plain::correlate};
    return k;
}

const GrainKernels& sseGrainKernels()
{
    static const GrainKernels k{grain_sse::addCubic, grain_sse::addLinear, grain_sse::addWindowed, grain_sse::scale,
                                grain_sse::correlate};
    return k;
}

const GrainKernels* avx2GrainKernels()
{
    static const GrainKernels k{grain_avx2::addCubic, grain_avx2::addLinear, grain_avx2::addWindowed, grain_avx2::scale,
                                grain_avx2::correlate};
    return cpu::supported(cpu::Path::Avx2) ? &k : nullptr;
}

const GrainKernels& grainKernels()
{
    switch (cpu::activePath()) {
    case cpu::Path::Avx2:
        return *avx2GrainKernels();
    case cpu::Path::Sse:
    case cpu::Path::ThreeDNow:
        return sseGrainKernels();
    case cpu::Path::Plain:
        break;
    }
    return plainGrainKernels();
}
