#include "mp3/decode/format_plan.h"

#include <algorithm>

FormatPlan::FormatPlan(const StreamMap& map, const GaplessPlan& gapless)
{
    for (const StreamMap::Format& f : map.formats) {
        const uint32_t rate = uint32_t(std::max(f.sampleRate, 1));
        const uint32_t channels = uint32_t(f.channels);
        const uint64_t kept = gapless.keptBefore(f.firstSample);
        // Runs that differ only in frame size (a frame of another layer) are one to the keeper.
        if (!runs_.empty() && runs_.back().sampleRate == rate && runs_.back().channels == channels)
            continue;
        if (!runs_.empty())
            runs_.back().keptTo = kept;
        runs_.push_back(Run{f.firstAudio, rate, channels, kept, kept, 0, 0});
    }
    if (runs_.empty())
        return;
    runs_.back().keptTo = gapless.total();
    uint64_t out = 0;
    for (Run& r : runs_) {
        r.outFrom = out;
        r.outTo = outOfKept(r, r.keptTo);
        out = r.outTo;
    }
}

const FormatPlan::Run& FormatPlan::runOfAudio(uint64_t audio) const
{
    const auto it
        = std::partition_point(runs_.begin(), runs_.end(), [audio](const Run& r) { return r.firstAudio <= audio; });
    return it == runs_.begin() ? *it : *(it - 1);
}

const FormatPlan::Run& FormatPlan::runOfOut(uint64_t out) const
{
    const auto it = std::partition_point(runs_.begin(), runs_.end(), [out](const Run& r) { return r.outTo <= out; });
    return it == runs_.end() ? runs_.back() : *it;
}

uint64_t FormatPlan::outOfKept(const Run& r, uint64_t kept) const
{
    return r.outFrom + (kept - r.keptFrom) * sampleRate() / r.sampleRate;
}

uint64_t FormatPlan::keptOfOut(const Run& r, uint64_t out) const
{
    return r.keptFrom + (out - r.outFrom) * r.sampleRate / sampleRate();
}
