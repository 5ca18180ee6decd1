#include "dsp/core/dsp_effect.h"

#include "dsp/core/fast_heap.h"
#include "dsp/core/pcm_convert.h"

DspEffect::~DspEffect()
{
    DspEffect::releaseBuffers();
}

void DspEffect::releaseBuffers()
{
    if (buffersReady) {
        FastHeap& heap = FastHeap::instance();
        for (float** b : {&inL, &inR, &outL, &outR, &scratchA, &scratchB}) {
            heap.free(*b);
            *b = nullptr;
        }
    }
    buffersReady = 0;
}

void DspEffect::allocBuffers(uint32_t frames, uint32_t channels, uint32_t rate)
{
    allocBaseBuffers(frames, channels);
    inRate = rate;
    outRate = rate;
}

uint32_t DspEffect::getDstSize(uint32_t srcFrames)
{
    return srcFrames;
}

uint32_t DspEffect::process(const float* srcL, const float* srcR, float* dstL, float* dstR, uint32_t frames)
{
    const uint32_t written = processChannel(0, srcL, dstL, frames);
    if (isStereo())
        processChannel(1, srcR, dstR, frames);
    return written;
}

uint32_t DspEffect::processPcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    return runSameRatePcm16(src, dst, srcBytes) ? srcBytes : 0;
}

bool DspEffect::allocBaseBuffers(uint32_t frames, uint32_t channels)
{
    FastHeap& heap = FastHeap::instance();
    const size_t bytes = size_t(frames) * sizeof(float);  // 64-bit: no wrap for huge frame counts
    bool ok = true;
    if (!buffersReady || frames > maxInFrames) {
        for (float** b : {&inL, &inR, &outL, &outR, &scratchA, &scratchB}) {
            // realloc of a block that is not live (null) allocates nothing, so a first sizing allocates.
            void* p = bytes > UINT32_MAX ? nullptr : *b != nullptr ? heap.realloc(*b, bytes) : heap.alloc(bytes);
            if (p != nullptr)
                *b = static_cast<float*>(p);
            ok = ok && p != nullptr;
        }
    }
    if (!ok) {
        buffersReady = 1;
        releaseBuffers();
        frames = channels = 0;
    }
    maxOutFrames = frames;
    outChannels = inChannels = channels;
    maxInFrames = frames;
    inRate = 0;
    buffersReady = ok ? 1 : 0;
    return ok;
}

bool DspEffect::growBuffers(std::initializer_list<float**> buffers, uint32_t frames)
{
    FastHeap& heap = FastHeap::instance();
    for (float** b : buffers) {
        void* p = heap.realloc(*b, size_t(frames) * sizeof(float));
        if (p == nullptr) {
            releaseBuffers();
            maxInFrames = maxOutFrames = 0;
            return false;
        }
        *b = static_cast<float*>(p);
    }
    return true;
}

bool DspEffect::runSameRatePcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    const uint32_t channels = isStereo() ? 2 : 1;
    const uint32_t frames = srcBytes / (channels * 2);
    if (frames > maxInFrames)
        return false;
    pcm16ToFloat(src, frames * channels * 2, inL, inR, channels);
    processChannel(0, inL, outL, frames);
    if (channels == 2)
        processChannel(1, inR, outR, frames);
    floatToPcm16(outL, outR, frames, dst, channels);
    return true;
}
