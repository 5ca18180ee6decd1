#include "dsp/filters/graphic_eq_channel.h"

#include <algorithm>
#include <cmath>

#include "dsp/core/fast_heap.h"
#include "dsp/core/flush_denormals.h"
#include "dsp/core/pcm_convert.h"

GraphicEQChannel::~GraphicEQChannel()
{
    FastHeap::instance().free(work_);
}

void GraphicEQChannel::reserve(uint32_t frames)
{
    if (work_ != nullptr && frames <= workCapacity_)
        return;
    FastHeap& heap = FastHeap::instance();
    float* grown = static_cast<float*>(work_ ? heap.realloc(work_, frames * 4u) : heap.alloc(frames * 4u));
    if (grown != nullptr) {
        work_ = grown;
        workCapacity_ = frames;
    }
}

void GraphicEQChannel::design(int32_t sampleRate, uint32_t frames, uint32_t bandCount,
                              const GraphicEQBandParams* params, float masterGainDb)
{
    sampleRate_ = sampleRate;
    reserve(frames);
    if (!ready || bandCount > bandCapacity_) {
        bands_ = std::make_unique<GraphicEQBand[]>(bandCount);
        bandCapacity_ = bandCount;
    }
    bandCount_ = bandCount;
    for (uint32_t k = 0; k < bandCount; ++k) {
        GraphicEQBand& b = bands_[k];
        b.sampleRate = sampleRate;
        b.setGain(params[k].gain);
        b.s1 = b.s2 = 0.0f;
        b.redesign(params[k].frequency, params[k].zeroRadius, params[k].poleRadius);
    }
    setMasterGain(masterGainDb);
    ready = 1;
}

void GraphicEQChannel::setMasterGain(float masterGainDb)
{
    master_ = float(std::pow(10.0, 0.05 * masterGainDb));
}

void GraphicEQChannel::processBlock(const float* in, float* out, uint32_t frames)
{
    bands_[0].run<false>(in, out, frames);
    for (uint32_t k = 1; k < bandCount_; ++k)
        bands_[k].run<true>(in, out, frames);
    for (uint32_t i = 0; i < frames; ++i)
        out[i] *= master_;
}

uint32_t GraphicEQChannel::process(const float* in, float* out, uint32_t frames)
{
    if (bandCount_ == 0 || frames == 0)
        return frames;
    const FlushDenormals flush;
    if (in != out) {
        processBlock(in, out, frames);
        return frames;
    }
    // In place: every band reads the same input, so it is saved first. The bands are causal
    // and independent, so a block longer than the work buffer runs as consecutive pieces.
    if (workCapacity_ == 0)
        return 0;
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(frames - done, workCapacity_);
        fastCopy(out + done, work_, n * 4u);
        processBlock(work_, out + done, n);
        done += n;
    }
    return frames;
}
