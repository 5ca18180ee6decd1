#include "mp3/decode/gapless_trim.h"

#include <algorithm>

namespace {

// Samples by which the hybrid filterbank and the synthesis delay a Layer III encoder's input.
constexpr uint64_t kLayer3DecoderDelay = 529;

}  // namespace

bool GaplessTrim::fromTag(const VbrInfo& tag, int32_t layer, int32_t samplesPerFrame, uint64_t& start, uint64_t& length)
{
    if (layer != 3 || !tag.encoderExtension || samplesPerFrame <= 0)
        return false;
    start = uint64_t(tag.encoderDelay) + kLayer3DecoderDelay;
    const int64_t input = int64_t(tag.frames) * samplesPerFrame - tag.encoderDelay - tag.encoderPadding;
    length = uint64_t(std::max<int64_t>(0, input));
    return true;
}

void GaplessTrim::setCut(uint64_t start, uint64_t length)
{
    start_ = start;
    end_ = length > UINT64_MAX - start ? UINT64_MAX : start + length;
    position_ = 0;
}

void GaplessTrim::frame(const float* const* pcm, uint32_t channels, uint32_t samples)
{
    const uint64_t first = position_;
    position_ += samples;
    const uint64_t from = std::max(first, start_);
    const uint64_t to = std::min(position_, end_);
    if (target_ == nullptr || from >= to || channels < 1 || channels > 2)
        return;
    const float* part[2] = {pcm[0] + (from - first), channels == 2 ? pcm[1] + (from - first) : nullptr};
    target_->frame(part, channels, uint32_t(to - from));
}
