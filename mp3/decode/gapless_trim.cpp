#include "mp3/decode/gapless_trim.h"

#include <algorithm>

void GaplessTrim::frame(const float* const* pcm, uint32_t channels, uint32_t samples)
{
    const uint64_t first = position_;
    position_ += samples;
    if (target_ == nullptr || channels < 1 || channels > 2)
        return;
    if (!plan_) {
        target_->frame(pcm, channels, samples);
        return;
    }
    const auto& ranges = plan_->ranges();
    auto it = std::partition_point(ranges.begin(), ranges.end(),
                                   [first](const GaplessPlan::Range& r) { return r.to <= first; });
    for (; it != ranges.end() && it->from < position_; ++it) {
        const uint64_t from = std::max(first, it->from);
        const uint64_t to = std::min(position_, it->to);
        const float* part[2] = {pcm[0] + (from - first), channels == 2 ? pcm[1] + (from - first) : nullptr};
        target_->frame(part, channels, uint32_t(to - from));
    }
}
