#include "dsp/core/dsp_chain.h"

#include <algorithm>
#include <cstring>

#include "dsp/core/pcm_convert.h"

bool DspChain::validFormat(uint32_t frames, uint32_t channels, uint32_t rate)
{
    return frames >= 1 && frames <= kMaxFrames && (channels == 1 || channels == 2) && rateUsable(rate);
}

DspChain::DspChain(uint32_t frames, uint32_t channels, uint32_t rate)
    : DspObject(ObjectFamily::Chain), srcFrames_(frames), srcChannels_(channels), srcRate_(rate)
{ }

DspChain::~DspChain()
{
    clear();
}

uint32_t DspChain::add(DspEffect* effect, uint32_t order)
{
    if (effect == nullptr || !effect->buffersReady || effect->inChain)
        return count();
    // After the last node whose key is not above the new one: equal keys keep the order added.
    const auto at = std::upper_bound(nodes_.begin(), nodes_.end(), order,
                                     [](uint32_t key, const Node& n) { return key < n.order; });
    nodes_.insert(at, Node{effect, order});
    effect->inChain = true;
    propagate();
    return count();
}

void DspChain::adjust(uint32_t frames, uint32_t channels, uint32_t rate)
{
    if (!validFormat(frames, channels, rate))
        return;
    srcFrames_ = frames;
    srcChannels_ = channels;
    srcRate_ = rate;
    propagate();
}

void DspChain::propagate()
{
    uint32_t frames = srcFrames_;
    uint32_t channels = srcChannels_;
    uint32_t rate = srcRate_;
    runnable_ = false;
    for (const Node& n : nodes_) {
        DspEffect* e = n.effect;
        if (e->maxInFrames != frames || e->inChannels != channels || e->inRate != rate)
            e->allocBuffers(frames, channels, rate);
        // An effect that kept another format would be handed more than its buffers hold.
        if (!e->buffersReady || e->maxInFrames != frames || e->inChannels != channels || e->inRate != rate
            || e->maxOutFrames > kMaxEffectFrames || !rateUsable(e->outRate))
            return;
        frames = e->maxOutFrames;
        channels = e->outChannels;
        rate = e->outRate;
    }
    runnable_ = true;
}

uint32_t DspChain::runEffects(uint32_t frames)
{
    DspEffect* head = nodes_.front().effect;
    frames = head->process(head->inL, head->inR, head->outL, head->outR, frames);
    for (size_t i = 1; i < nodes_.size(); ++i) {
        const DspEffect* prev = nodes_[i - 1].effect;
        DspEffect* e = nodes_[i].effect;
        // An effect whose output grew since the chain sized its successor (a stretcher given a
        // larger factor) would overrun it: the block is refused instead.
        if (frames > e->maxInFrames)
            return 0;
        frames = e->process(prev->outL, prev->outR, e->outL, e->outR, frames);
    }
    return frames;
}

uint32_t DspChain::send(const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    if ((srcBytes != 0 && (src == nullptr || dst == nullptr)) || !runnable_)
        return 0;
    if (nodes_.empty()) {
        if (srcBytes > uint64_t(srcFrames_) * srcChannels_ * 2)
            return 0;
        if (srcBytes != 0)
            fastCopy(src, dst, srcBytes);
        return srcBytes;
    }
    DspEffect* head = nodes_.front().effect;
    if (srcBytes > head->maxInBytes())
        return 0;
    const uint32_t inChannels = head->isStereo() ? 2 : 1;
    const uint32_t frames = pcm16ToFloat(src, srcBytes, head->inL, head->inR, inChannels);
    const uint32_t out = runEffects(frames);
    const DspEffect* tail = nodes_.back().effect;
    // A mono-input tail has nothing in outR: its values go to both channels of a stereo output.
    return floatToPcm16(tail->outL, tail->isStereo() ? tail->outR : nullptr, out, dst, tail->outChannels == 2 ? 2 : 1);
}

uint32_t DspChain::sendFloat(const float* src, float* dst, uint32_t frames)
{
    if ((frames != 0 && (src == nullptr || dst == nullptr)) || !runnable_)
        return 0;
    if (nodes_.empty()) {
        if (frames > srcFrames_)
            return 0;
        if (frames != 0)
            std::memcpy(dst, src, size_t(frames) * srcChannels_ * sizeof(float));
        return frames;
    }
    DspEffect* head = nodes_.front().effect;
    if (frames > head->maxInFrames)
        return 0;
    if (head->isStereo()) {
        for (uint32_t i = 0; i < frames; ++i) {
            head->inL[i] = src[2 * i];
            head->inR[i] = src[2 * i + 1];
        }
    } else if (frames != 0) {
        std::memcpy(head->inL, src, size_t(frames) * sizeof(float));
    }
    const uint32_t out = runEffects(frames);
    const DspEffect* tail = nodes_.back().effect;
    if (tail->outChannels == 2) {
        const float* right = tail->isStereo() ? tail->outR : tail->outL;
        for (uint32_t i = 0; i < out; ++i) {
            dst[2 * i] = tail->outL[i];
            dst[2 * i + 1] = right[i];
        }
    } else if (out != 0) {
        std::memcpy(dst, tail->outL, size_t(out) * sizeof(float));
    }
    return out;
}

void DspChain::clear()
{
    for (Node& n : nodes_)
        delete n.effect;
    nodes_.clear();
    runnable_ = true;
}

uint32_t DspChain::dstRate() const
{
    return nodes_.empty() ? srcRate_ : nodes_.back().effect->outRate;
}

uint32_t DspChain::dstChannels() const
{
    return nodes_.empty() ? srcChannels_ : nodes_.back().effect->outChannels;
}

uint32_t DspChain::dstSize(uint32_t srcFrames) const
{
    for (const Node& n : nodes_)
        srcFrames = n.effect->getDstSize(srcFrames);
    return srcFrames;
}

DspEffect* DspChain::effectAt(uint32_t index) const
{
    return index < nodes_.size() ? nodes_[index].effect : nullptr;
}
