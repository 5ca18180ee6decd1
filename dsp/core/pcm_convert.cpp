#include "dsp/core/pcm_convert.h"

#include <cstring>

namespace {

constexpr double kToFloat = 1.0 / 32767.0;

int16_t toPcm(float v)
{
    // Written so that NaN lands on a bound instead of reaching the integer conversion.
    const float c = v >= 1.0f ? 1.0f : (v > -1.0f ? v : -1.0f);
    return static_cast<int16_t>(static_cast<double>(c) * 32767.0);  // truncates toward zero
}

int16_t encodeOne(float v)
{
    const float c = v >= 32767.0f ? 32767.0f : (v > -32767.0f ? v : -32767.0f);
    return static_cast<int16_t>(c);
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

// The scalar loops define each path's results and finish every kernel's tail; the plain path's
// blocks run through SSE2 kernels that reproduce them exactly.
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
        uint32_t i = 0;
        if (dstR != nullptr) {
            i = k->toFloatStereo(dstL, dstR, src, frames);
            for (; i < frames; ++i) {
                dstL[i] = static_cast<float>(src[2 * i] * kToFloat);
                dstR[i] = static_cast<float>(src[2 * i + 1] * kToFloat);
            }
        } else {
            i = k->toFloatDownmix(dstL, src, frames);
            for (; i < frames; ++i) {
                const int32_t sum = int32_t(src[2 * i]) + int32_t(src[2 * i + 1]);
                dstL[i] = static_cast<float>((sum >> 1) * kToFloat);
            }
        }
        return frames;
    }
    const uint32_t frames = srcBytes >> 1;
    uint32_t i = k->toFloatMono(dstL, src, frames);
    for (; i < frames; ++i)
        dstL[i] = static_cast<float>(src[i] * kToFloat);
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
            for (; i < frames; ++i) {
                dst[2 * i] = toPcm(srcL[i]);
                dst[2 * i + 1] = toPcm(srcR[i]);
            }
        } else {
            for (; i < frames; ++i)
                dst[2 * i] = dst[2 * i + 1] = toPcm(srcL[i]);
        }
        return frames * 4;
    }
    uint32_t i = k->fromFloatMono(dst, srcL, frames);
    for (; i < frames; ++i)
        dst[i] = toPcm(srcL[i]);
    return frames * 2;
}

uint32_t pcmEncodeOn(cpu::Path path, const float* src, int16_t* dst, uint32_t count)
{
    const Kernels* k = kernelsFor(path);
    uint32_t i = k->encode(dst, src, count);
    for (; i < count; ++i)
        dst[i] = encodeOne(src[i]);
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
