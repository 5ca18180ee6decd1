#pragma once

#include <cstdint>
#include <vector>

#include "mp3/stream/stream_map.h"

// Which samples of a decoded stream are delivered. The decoded timeline holds every audio frame
// of the map (tag frames hold none). Trimmed, each part whose VBR tag states the encoder's delay
// and padding loses the delay and the decoder's own delay at its start; its padding is cut only
// where the part ends where the tag's frame count says, since a count that disagrees with the
// stream (a stale tag, a truncated file) says nothing about where the padding is.
class GaplessPlan {
public:
    // Samples by which the hybrid filterbank and the synthesis delay a Layer III encoder's input.
    static constexpr uint64_t kLayer3DecoderDelay = 529;

    struct Range {
        uint64_t from = 0;  // decoded samples [from, to) are kept
        uint64_t to = 0;
        uint64_t keptBefore = 0;  // kept samples before from
    };

    GaplessPlan() = default;
    // Every sample of map's audio frames, or (trim) without the parts' delay and padding.
    GaplessPlan(const StreamMap& map, bool trim);

    // Samples per channel delivered.
    uint64_t total() const { return total_; }
    // Decoded position of delivered sample `kept` (below total()).
    uint64_t toDecoded(uint64_t kept) const;
    // Delivered samples before decoded position `decoded`.
    uint64_t keptBefore(uint64_t decoded) const;
    const std::vector<Range>& ranges() const { return ranges_; }

private:
    std::vector<Range> ranges_;
    uint64_t total_ = 0;
};
