#pragma once

#include <cstdint>

#include "mp3/decoder/pcm_sink.h"
#include "mp3/stream/vbr_tag.h"

// Gapless output: passes frames on to another sink without the samples an encoder put before
// and after its input, so a tagged stream decodes to the encoder's input length exactly.
class GaplessTrim : public decoder::PcmSink {
public:
    // The cut of a Layer III stream whose VBR tag carries the encoder's delay and padding:
    // the delay plus the filterbank's own delay at the start, everything past the input's
    // length (the tag's frames less delay and padding) at the end. False when there is none.
    static bool fromTag(const VbrInfo& tag, int32_t layer, int32_t samplesPerFrame, uint64_t& start, uint64_t& length);

    // Cuts the first `start` samples per channel and keeps `length` after them.
    void setCut(uint64_t start, uint64_t length);
    uint64_t start() const { return start_; }
    void setTarget(decoder::PcmSink* target) { target_ = target; }
    // After a seek: the next frame begins at this sample (per channel) of the decoded stream.
    void setPosition(uint64_t sample) { position_ = sample; }

    void frame(const float* const* pcm, uint32_t channels, uint32_t samples) override;

private:
    decoder::PcmSink* target_ = nullptr;
    uint64_t start_ = 0;
    uint64_t end_ = UINT64_MAX;
    uint64_t position_ = 0;
};
