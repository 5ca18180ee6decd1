#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "mp3/decode/stream_decoder.h"
#include "mp3/decoder/pcm_sink.h"
#include "mp3/stream/byte_source.h"
#include "mp3/stream/tag_text.h"

// Decodes a stream into the caller's buffers on demand, frame by frame, with full scale at +-1.0.
// A frame the decoder drops (damaged, of another layer, or missing its Layer III reservoir bytes)
// gives a frame of silence, so sample n always belongs to frame n / samplesPerFrame: positions and
// seeks are exact. A stream whose VBR tag gives the encoder's delay and padding is delivered
// gapless: positions, seeks and the total count on the encoder's input, without them. Owns
// everything it uses: handles on different threads share nothing.
class PcmDecoder : private decoder::PcmSink {
public:
    // Opens a fresh source at its first byte each time it is called (at open and at each seek).
    using SourceFactory = std::function<std::unique_ptr<ByteSource>()>;

    struct Format {
        uint32_t sampleRate = 0;
        uint32_t channels = 0;
        uint32_t layer = 0;
        uint32_t bitrate = 0;
        uint32_t samplesPerFrame = 0;
        uint64_t totalFrames = 0;   // from the VBR tag (gapless: the encoder's input); 0 when unknown
        uint32_t encoderDelay = 0;  // from the tag's encoder extension; 0 when it has none
        uint32_t encoderPadding = 0;
    };

    explicit PcmDecoder(SourceFactory factory) : factory_(std::move(factory)) { }

    // False when the source cannot be read or holds no readable frame.
    bool open();
    const Format& format() const { return format_; }
    // The text of the stream's tags, read at open.
    const TagText& tags() const { return tags_; }
    // Up to frames frames of interleaved samples: the frames written, 0 at the end.
    uint64_t read(float* dst, uint64_t frames);
    uint64_t readInt16(int16_t* dst, uint64_t frames);
    // The kernels the next frames are decoded with (Plain until set).
    void setVectorPath(decoder::VectorPath path);
    // Gapless delivery (the default) on or off; off delivers every decoded sample. Either way the
    // next read starts at the first frame of that timeline.
    void setGapless(bool on);
    // Positions the next read at frame `frame`; false (reads then give nothing) past the end.
    bool seek(uint64_t frame);
    // Frames before the next one read.
    uint64_t position() const { return position_ > trimStart_ ? position_ - trimStart_ : 0; }

    // Layer III frames decoded and thrown away before a seek target so the bit reservoir and the
    // filter-bank overlap are as in a decode from the start: 32 frames hold at least 768 bytes,
    // more than the 511 bytes a frame may reach back.
    static constexpr uint32_t kLayer3PrimingFrames = 32;
    // Layers I and II only need the synthesis filter's history (512 samples).
    static constexpr uint32_t kLayer12PrimingFrames = 2;

private:
    void frame(const float* const* pcm, uint32_t channels, uint32_t samples) override;
    bool restart();
    // seek on the decoded stream's own timeline, delay and padding included.
    bool seekDecoded(uint64_t frame);
    // After a seek past the end: reads give nothing until the next good seek. Always false.
    bool endStream();
    // Decodes the frame held into pending_; false at the end of the stream.
    bool fill();
    // Copies up to frames frames of pending samples to dst through convert; the frames copied.
    template<typename T, typename Convert> uint64_t drain(T* dst, uint64_t frames, Convert convert);

    SourceFactory factory_;
    decoder::VectorPath path_ = decoder::VectorPath::Plain;
    std::unique_ptr<StreamDecoder> decoder_;
    Format format_;
    std::vector<float> pending_;
    size_t pendingAt_ = 0;
    TagText tags_;
    uint64_t position_ = 0;  // on the decoded stream's timeline
    // The gapless cut: decoded frames before trimStart_ and from trimEnd_ on are not delivered.
    uint64_t trimStart_ = 0;
    uint64_t trimEnd_ = UINT64_MAX;
    // The cut the VBR tag gives, kept so gapless delivery can be switched off and on again.
    bool hasCut_ = false;
    uint64_t cutStart_ = 0;
    uint64_t cutLength_ = 0;
    uint64_t taggedFrames_ = 0;  // the tag's frame count x samples per frame; 0 without a tag
};
