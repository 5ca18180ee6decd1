#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mp3/decode/gapless_plan.h"
#include "mp3/stream/stream_map.h"

// Where the frames of a stream whose format changes fall when it is delivered in its first
// format (FormatKeeper): runs of one sampling rate and channel count, each giving
// floor(kept x outRate / rate) frames for the kept samples a gapless plan leaves it.
class FormatPlan {
public:
    struct Run {
        uint32_t firstAudio = 0;  // its first audio frame in the stream map
        uint32_t sampleRate = 0;
        uint32_t channels = 0;
        uint64_t keptFrom = 0;  // kept samples before it, and up to its end
        uint64_t keptTo = 0;
        uint64_t outFrom = 0;  // frames delivered before it, and up to its end
        uint64_t outTo = 0;
    };

    FormatPlan() = default;
    FormatPlan(const StreamMap& map, const GaplessPlan& gapless);

    // The delivered format: the first run's.
    uint32_t sampleRate() const { return runs_.empty() ? 0 : runs_.front().sampleRate; }
    uint32_t channels() const { return runs_.empty() ? 0 : runs_.front().channels; }
    // Frames delivered in all.
    uint64_t total() const { return runs_.empty() ? 0 : runs_.back().outTo; }
    // Changes of sampling rate or channel count in the stream.
    uint32_t changes() const { return runs_.empty() ? 0 : uint32_t(runs_.size() - 1); }
    const std::vector<Run>& runs() const { return runs_; }

    // The run holding audio frame `audio` (the plan must have runs: a map with audio frames).
    const Run& runOfAudio(uint64_t audio) const;
    // The run delivering frame `out` (the last one at the end).
    const Run& runOfOut(uint64_t out) const;
    // Frames run r delivers before its kept sample `kept`.
    uint64_t outOfKept(const Run& r, uint64_t kept) const;
    // The kept sample of run r at delivered frame `out`, rounded down: outOfKept of it is at
    // most out.
    uint64_t keptOfOut(const Run& r, uint64_t out) const;

private:
    std::vector<Run> runs_;
};
