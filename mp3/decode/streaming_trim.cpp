#include "mp3/decode/streaming_trim.h"

#include <algorithm>

#include "mp3/decode/gapless_plan.h"

namespace {

// The most a tag's padding can hold back (12 bits), and the largest frame.
constexpr size_t kHeldRoom = 4096 + 1152;

}  // namespace

StreamingTrim::StreamingTrim()
{
    for (std::vector<float>& h : held_)
        h.reserve(kHeldRoom);
}

void StreamingTrim::configure(bool trim, int32_t layer)
{
    trim_ = trim;
    layer_ = layer;
}

bool StreamingTrim::trimming() const
{
    return trim_ && tagged_ && tag_.encoderExtension && layer_ == 3;
}

uint64_t StreamingTrim::startCut() const
{
    return trimming() ? uint64_t(tag_.encoderDelay) + GaplessPlan::kLayer3DecoderDelay : 0;
}

uint64_t StreamingTrim::heldMost() const
{
    if (!trimming() || !counted_)
        return 0;
    const int64_t cut = int64_t(tag_.encoderPadding) - int64_t(GaplessPlan::kLayer3DecoderDelay);
    return uint64_t(std::clamp<int64_t>(cut, 0, 4095));
}

void StreamingTrim::beginPart(const VbrInfo* tag, bool counted)
{
    endPart();
    tagged_ = tag != nullptr;
    tag_ = tag != nullptr ? *tag : VbrInfo{};
    counted_ = tagged_ && counted;
    position_ = 0;
    audioFrames_ = 0;
    bytes_ = 0;
}

void StreamingTrim::countFrame(uint32_t bytes, bool audio)
{
    bytes_ += bytes;
    audioFrames_ += audio ? 1 : 0;
}

void StreamingTrim::endPart()
{
    const bool endsAsTagged = uint32_t(tag_.frames) == audioFrames_ || uint64_t(tag_.bytes) == bytes_;
    if (trimming() && counted_ && endsAsTagged) {
        held_[0].clear();
        held_[1].clear();
    }
    release(held_[0].size());
}

void StreamingTrim::release(size_t n)
{
    if (n == 0)
        return;
    const float* pcm[2] = {held_[0].data(), held_[1].data()};
    if (target_ != nullptr)
        target_->frame(pcm, channels_, uint32_t(n));
    for (std::vector<float>& h : held_)
        h.erase(h.begin(), h.begin() + std::min(n, h.size()));
}

void StreamingTrim::frame(const float* const* pcm, uint32_t channels, uint32_t samples)
{
    if (channels < 1 || channels > 2)
        return;
    channels_ = channels;
    // The start of the part up to the cut is dropped.
    const uint64_t cut = startCut();
    const uint32_t skipped = uint32_t(std::min<uint64_t>(samples, cut > position_ ? cut - position_ : 0));
    position_ += samples;
    const uint32_t n = samples - skipped;
    const uint64_t hold = heldMost();
    if (hold == 0) {
        if (n > 0 && target_ != nullptr) {
            const float* part[2] = {pcm[0] + skipped, channels == 2 ? pcm[1] + skipped : nullptr};
            target_->frame(part, channels, n);
        }
        return;
    }
    // The newest `hold` samples stay until the part's end says whether they are padding.
    if (n >= hold) {
        // The frame alone fills the hold: what was held goes on, then the frame's older samples
        // straight from the frame, and only its newest `hold` are kept.
        release(held_[0].size());
        const uint32_t pass = n - uint32_t(hold);
        if (pass > 0 && target_ != nullptr) {
            const float* part[2] = {pcm[0] + skipped, channels == 2 ? pcm[1] + skipped : nullptr};
            target_->frame(part, channels, pass);
        }
        for (uint32_t c = 0; c < channels; ++c)
            held_[c].assign(pcm[c] + skipped + pass, pcm[c] + samples);
        return;
    }
    for (uint32_t c = 0; c < channels; ++c)
        held_[c].insert(held_[c].end(), pcm[c] + skipped, pcm[c] + samples);
    if (held_[0].size() > hold)
        release(held_[0].size() - size_t(hold));
}

void StreamingTrim::skip(uint32_t samples)
{
    const uint64_t cut = startCut();
    const uint64_t skipped = std::min<uint64_t>(samples, cut > position_ ? cut - position_ : 0);
    position_ += samples;
    // The held samples now lie that much further from the part's end.
    const uint64_t later = samples - skipped;
    const uint64_t hold = heldMost();
    const uint64_t keep = hold > later ? hold - later : 0;
    if (held_[0].size() > keep)
        release(held_[0].size() - size_t(keep));
}
