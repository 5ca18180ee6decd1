#include "dsp/core/pcm_convert.h"

#include <cstring>

namespace {

// Every kernel converts whole blocks of at most this many frames (or values).
constexpr uint32_t kPad = 8;

int16_t toPcm(float v)
{
    // Written so that NaN lands on a bound instead of reaching the integer conversion.
    const float c = v >= 1.0f ? 1.0f : (v > -1.0f ? v : -1.0f);
    return static_cast<int16_t>(static_cast<double>(c) * 32767.0);  // truncates toward zero
}

// Frames are interleaved, so the mono-duplicating stereo case (null srcR) is plain only.
struct Kernels {
    uint32_t (*toFloatMono)(float*, const int16_t*, uint32_t);
    uint32_t (*toFloatStereo)(float*, float*, const int16_t*, uint32_t);
    uint32_t (*toFloatDownmix)(float*, const int16_t*, uint32_t);
    uint32_t (*fromFloatMono)(int16_t*, const float*, uint32_t);
    uint32_t (*fromFloatStereo)(int16_t*, const float*, const float*, uint32_t);
    uint32_t (*encode)(int16_t*, const float*, uint32_t);
};

// The tail a kernel leaves runs through the same kernel, padded to a whole block, so every sample
// takes its path's arithmetic wherever a caller's block ends; the plain path's kernels reproduce
// its scalar formulas exactly.
const Kernels* kernelsFor(cpu::Path path)
{
    static const Kernels plain{pcm_plain_sse::toFloatMono,     pcm_plain_sse::toFloatStereo,
                               pcm_plain_sse::toFloatDownmix,  pcm_plain_sse::fromFloatMono,
                               pcm_plain_sse::fromFloatStereo, pcm_plain_sse::encode};
    static const Kernels sse{pcm_sse::toFloatMono,   pcm_sse::toFloatStereo,   pcm_sse::toFloatDownmix,
                             pcm_sse::fromFloatMono, pcm_sse::fromFloatStereo, pcm_sse::encode};
    static const Kernels threeDNow{pcm_3dnow::toFloatMono,   pcm_3dnow::toFloatStereo,   pcm_3dnow::toFloatDownmix,
                                   pcm_3dnow::fromFloatMono, pcm_3dnow::fromFloatStereo, pcm_3dnow::encode};
    switch (path) {
    case cpu::Path::Sse:
    case cpu::Path::Avx2:  // the SSE kernels' arithmetic: the conversions are a small share of the work
        return &sse;
    case cpu::Path::ThreeDNow:
        return &threeDNow;
    case cpu::Path::Plain:
        break;
    }
    return &plain;
}

}  // namespace

uint32_t pcm16ToFloatOn(cpu::Path path, const int16_t* src, uint32_t srcBytes, float* dstL, float* dstR,
                        uint32_t channels)
{
    const Kernels* k = kernelsFor(path);
    if (channels == 2) {
        const uint32_t frames = srcBytes >> 2;
        const uint32_t i
            = dstR != nullptr ? k->toFloatStereo(dstL, dstR, src, frames) : k->toFloatDownmix(dstL, src, frames);
        if (i < frames) {
            int16_t in[2 * kPad] = {};
            float l[kPad];
            float r[kPad];
            std::memcpy(in, src + 2 * i, (frames - i) * 4);
            if (dstR != nullptr) {
                k->toFloatStereo(l, r, in, kPad);
                std::memcpy(dstR + i, r, (frames - i) * sizeof(float));
            } else {
                k->toFloatDownmix(l, in, kPad);
            }
            std::memcpy(dstL + i, l, (frames - i) * sizeof(float));
        }
        return frames;
    }
    const uint32_t frames = srcBytes >> 1;
    const uint32_t i = k->toFloatMono(dstL, src, frames);
    if (i < frames) {
        int16_t in[kPad] = {};
        float out[kPad];
        std::memcpy(in, src + i, (frames - i) * 2);
        k->toFloatMono(out, in, kPad);
        std::memcpy(dstL + i, out, (frames - i) * sizeof(float));
    }
    return frames;
}

uint32_t floatToPcm16On(cpu::Path path, const float* srcL, const float* srcR, uint32_t frames, int16_t* dst,
                        uint32_t channels)
{
    const Kernels* k = kernelsFor(path);
    if (channels == 2) {
        uint32_t i = 0;
        if (srcR != nullptr) {
            i = k->fromFloatStereo(dst, srcL, srcR, frames);
            if (i < frames) {
                float l[kPad] = {};
                float r[kPad] = {};
                int16_t out[2 * kPad];
                std::memcpy(l, srcL + i, (frames - i) * sizeof(float));
                std::memcpy(r, srcR + i, (frames - i) * sizeof(float));
                k->fromFloatStereo(out, l, r, kPad);
                std::memcpy(dst + 2 * i, out, (frames - i) * 4);
            }
        } else {
            for (; i < frames; ++i)
                dst[2 * i] = dst[2 * i + 1] = toPcm(srcL[i]);
        }
        return frames * 4;
    }
    const uint32_t i = k->fromFloatMono(dst, srcL, frames);
    if (i < frames) {
        float in[kPad] = {};
        int16_t out[kPad];
        std::memcpy(in, srcL + i, (frames - i) * sizeof(float));
        k->fromFloatMono(out, in, kPad);
        std::memcpy(dst + i, out, (frames - i) * 2);
    }
    return frames * 2;
}

uint32_t pcmEncodeOn(cpu::Path path, const float* src, int16_t* dst, uint32_t count)
{
    const Kernels* k = kernelsFor(path);
    const uint32_t i = k->encode(dst, src, count);
    if (i < count) {
        float in[kPad] = {};
        int16_t out[kPad];
        std::memcpy(in, src + i, (count - i) * sizeof(float));
        k->encode(out, in, kPad);
        std::memcpy(dst + i, out, (count - i) * 2);
    }
    return count * 2;
}

uint32_t pcm16ToFloat(const int16_t* src, uint32_t srcBytes, float* dstL, float* dstR, uint32_t channels)
{
    return pcm16ToFloatOn(cpu::activePath(), src, srcBytes, dstL, dstR, channels);
}

uint32_t floatToPcm16(const float* srcL, const float* srcR, uint32_t frames, int16_t* dst, uint32_t channels)
{
    return floatToPcm16On(cpu::activePath(), srcL, srcR, frames, dst, channels);
}

uint32_t pcmEncode(const float* src, int16_t* dst, uint32_t count)
{
    return pcmEncodeOn(cpu::activePath(), src, dst, count);
}

void fastCopy(const void* src, void* dst, uint32_t bytes)
{
    // Every path copies the same bytes; the library's memcpy already uses the widest moves.
    if (bytes > 0)
        std::memcpy(dst, src, bytes);
}
