#include "mp3/decode/gapless_plan.h"

#include <algorithm>

GaplessPlan::GaplessPlan(const StreamMap& map, bool trim)
{
    uint64_t base = 0;
    uint64_t audio = 0;
    for (const StreamMap::Part& part : map.parts) {
        const uint64_t decoded = map.sampleOfAudio(audio + part.audioFrames) - map.sampleOfAudio(audio);
        audio += part.audioFrames;
        uint64_t from = 0;
        uint64_t to = decoded;
        const VbrInfo& tag = part.tag;
        if (trim && part.tagged && tag.encoderExtension && map.layer == 3) {
            from = std::min(decoded, uint64_t(tag.encoderDelay) + kLayer3DecoderDelay);
            if (part.counted && (uint32_t(tag.frames) == part.audioFrames || uint64_t(tag.bytes) == part.bytes)) {
                const int64_t end = int64_t(decoded) - tag.encoderPadding + int64_t(kLayer3DecoderDelay);
                to = uint64_t(std::clamp<int64_t>(end, int64_t(from), int64_t(decoded)));
            }
        }
        if (to > from) {
            ranges_.push_back(Range{base + from, base + to, total_});
            total_ += to - from;
        }
        base += decoded;
    }
}

uint64_t GaplessPlan::toDecoded(uint64_t kept) const
{
    const auto it = std::partition_point(ranges_.begin(), ranges_.end(),
                                         [kept](const Range& r) { return r.keptBefore + (r.to - r.from) <= kept; });
    if (it == ranges_.end())
        return ranges_.empty() ? 0 : ranges_.back().to;
    return it->from + (kept - it->keptBefore);
}

uint64_t GaplessPlan::keptBefore(uint64_t decoded) const
{
    const auto it
        = std::partition_point(ranges_.begin(), ranges_.end(), [decoded](const Range& r) { return r.to <= decoded; });
    if (it == ranges_.end())
        return total_;
    return it->keptBefore + (decoded > it->from ? decoded - it->from : 0);
}
