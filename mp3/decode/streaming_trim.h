#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mp3/decoder/pcm_sink.h"
#include "mp3/stream/vbr_tag.h"

// Gapless trimming decided as a stream is decoded front to back, without a map of the whole
// stream: it keeps what a GaplessPlan of the stream keeps. Each part (the untagged start, or a
// frame carrying a VBR tag and the frames after it) whose tag states the encoder's delay and
// padding loses the delay and the decoder's own delay at its start; the samples its padding
// would cover are held back until the part ends, and cut only when it ends where the tag's frame
// or byte count says.
class StreamingTrim : public decoder::PcmSink {
public:
    StreamingTrim();
    // Null: samples are dropped.
    void setTarget(decoder::PcmSink* target) { target_ = target; }
    // Trimming on or off (off: every sample passes); layer is the stream's first frame's.
    void configure(bool trim, int32_t layer);
    // A new part begins (tag null: an untagged start; counted: the tag's counts are usable); the
    // part before it ends.
    void beginPart(const VbrInfo* tag, bool counted);
    // A frame of the current part was read: its bytes (header included) and whether it is audio.
    void countFrame(uint32_t bytes, bool audio);
    // The stream ended: the last part ends.
    void finish() { endPart(); }
    // Samples (per channel) cut from the start of the current part.
    uint64_t startCut() const;

    void frame(const float* const* pcm, uint32_t channels, uint32_t samples) override;
    // A frame of samples that did not decode: it takes its place on the timeline, but delivers nothing.
    void skip(uint32_t samples);

private:
    bool trimming() const;
    uint64_t heldMost() const;
    void endPart();
    // Hands on the first n held samples and drops them from the hold.
    void release(size_t n);

    decoder::PcmSink* target_ = nullptr;
    bool trim_ = false;
    int32_t layer_ = 0;
    bool tagged_ = false;
    bool counted_ = false;
    VbrInfo tag_;
    uint64_t position_ = 0;  // samples of the part so far
    uint32_t audioFrames_ = 0;
    uint64_t bytes_ = 0;
    uint32_t channels_ = 0;
    std::vector<float> held_[2];
};
