#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mp3/decode/format_keeper.h"
#include "mp3/decode/gapless_trim.h"
#include "mp3/decode/streaming_trim.h"
#include "mp3/decoder/decoder_settings.h"
#include "mp3/decoder/frame_synthesis.h"
#include "mp3/decoder/layer3_decoder.h"
#include "mp3/decoder/pcm_sink.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_map.h"
#include "mp3/stream/stream_reader.h"
#include "mp3/stream/tag_text.h"

// Decodes an MPEG audio file frame by frame into a PCM sink, with the settings it is handed.
// Owns everything it uses, so several can run on several threads at once. A stream is either
// mapped at open (every header read first: StreamMap, GaplessPlan; seeks work) or followed as it
// comes (a source that cannot seek, or setScanAtOpen(false)): VBR tags and gapless cuts are then
// found frame by frame (StreamingTrim), with the same output, and seeks fail.
class StreamDecoder {
public:
    StreamDecoder() = default;
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    // openStream, then collects the interleaved PCM in pcm(). False when the file cannot be
    // opened or holds no readable frame.
    bool open(const char* path, uint32_t startOffset = 0);
    // Opens the file, maps its frames (scanStream) and reads its first audio frame, then sets up
    // the synthesis for its channel count. Frames carrying a VBR tag are passed over wherever
    // they stand. Decoded frames go to the sink set by setSink (none until then). False when the
    // file cannot be opened or holds no readable frame.
    bool openStream(const char* path, uint32_t startOffset);
    // As openStream, reading from source (not null); map, when given, is the source's own map
    // from an earlier open (so it is not scanned again); the tags' text goes to tags when not null.
    bool openStream(std::unique_ptr<ByteSource> source, uint32_t startOffset,
                    std::shared_ptr<const StreamMap> map = nullptr, TagText* tags = nullptr);
    // Whether a seekable source given no map is mapped at open (the default) or followed as it comes.
    void setScanAtOpen(bool on) { scanAtOpen_ = on; }
    // Null while the stream is followed as it comes.
    const std::shared_ptr<const StreamMap>& map() const { return map_; }
    // Samples per frame and layer of the stream's first frame (a VBR tag's frame included).
    int32_t firstSamplesPerFrame() const { return firstSamplesPerFrame_; }
    int32_t firstLayer() const { return firstLayer_; }
    // Where decoded frames go from now on; null drops them. The sink must outlive its use.
    void setSink(decoder::PcmSink* sink) { sink_ = sink; }
    // Gapless output of the frames decoded from now on (default off: every decoded sample). With
    // it, each part of a Layer III stream whose VBR tag carries the encoder's delay and padding
    // loses them and the filterbank's own delay (GaplessPlan), so it decodes to the encoder's
    // input length exactly.
    void setGapless(bool on);
    // What is delivered of the decoded timeline (every sample without gapless); empty while the
    // stream is followed as it comes.
    const GaplessPlan& plan() const { return *plan_; }
    // Samples per channel cut from the start of the decoded stream (0 without a gapless cut).
    uint64_t trimStart() const;
    // Frames decoded or dropped since open.
    uint32_t framesHandled() const { return framesDecoded_ + framesDropped_; }
    // A dropped frame (damaged, of another layer, or missing its reservoir
    // bytes) gives a frame of silence instead of nothing (default off), so positions stay exact.
    void setSilentDrops(bool on) { silentDrops_ = on; }
    // Path, volume and equaliser of the frames decoded from now on.
    void setSettings(const decoder::DecoderSettings& settings) { settings_ = settings; }
    const decoder::DecoderSettings& settings() const { return settings_; }

    // Frame seeks (constant bitrate) and percentage seeks (VBR tag) that leave the target frame
    // held; false when the target cannot be reached or the stream is not mapped.
    bool seekFrame(int32_t frame);
    bool seekPercent(float percent);
    // Holds audio frame `audio` of the map (decoded output counted from its first sample) with the
    // decoder's state reset; false past the end or when the source fails.
    bool seekAudioFrame(uint64_t audio);
    // After a seek: filters and decoder state start afresh.
    void resetAfterSeek();
    // Frames decoded from now on continue a run of another format than the first at its kept
    // sample `fed` (FormatPlan): what an exact seek into such a run needs.
    void restartFormat(uint64_t fed) { keeper_.restart(fed); }

    StreamReader& reader() { return *reader_; }
    // Whether a read of the source failed (rather than the stream ending).
    bool sourceFailed() const { return reader_ && reader_->sourceFailed(); }
    const FrameHeader& header() const { return header_; }
    bool hasFrame() const { return haveFrame_; }
    // Decodes the frame held and reads the next; false once the stream has ended.
    bool decodeFrame();
    // Reads the next frame without decoding the one held; false once the stream has ended.
    // The decoder's state then no longer follows the stream: resetAfterSeek before decoding.
    bool skipFrame();
    // Decodes up to maxFrames frames (all by default); returns the frames handled.
    uint32_t decodeAll(uint32_t maxFrames = UINT32_MAX);

    // The format delivered: the first audio frame's. Frames of another sampling rate or channel
    // count, where the stream changes format, are converted to it (FormatKeeper).
    int32_t channels() const { return channels_; }
    int32_t sampleRate() const { return sampleRate_; }
    int32_t layer() const { return layer_; }
    // True for MPEG-2 and MPEG-2.5 streams (half the Layer III samples per frame).
    bool lowSampling() const { return lowSampling_; }
    const std::vector<float>& pcm() const { return collector_.interleaved; }
    // Keeps the samples from here on only when true (the benchmark only counts them).
    void keepPcm(bool keep) { collector_.keep = keep; }
    // Samples over all channels handed to the sink.
    uint64_t samplesOut() const { return samplesOut_; }
    uint32_t framesDecoded() const { return framesDecoded_; }
    uint32_t framesDropped() const { return framesDropped_; }
    // Changes of sampling rate or channel count among the frames decoded since open (a seek
    // does not count those passed over).
    uint32_t formatChanges() const { return formatChanges_; }

private:
    // The sink of open(): interleaves every frame into one growing array.
    struct Collector : decoder::PcmSink {
        void frame(const float* const* pcm, uint32_t channels, uint32_t samples) override;
        std::vector<float> interleaved;
        bool keep = true;
    };

    bool decodeCurrentFrame();
    // Reads the next frame that holds audio into the header; false at the end.
    bool readAudioFrame();
    bool isTagFrame() const;
    // Following the stream: the frame just read is told to the gapless cut, as audio or a tag.
    void followFrame();
    // Tells the gapless cut where the frame held now starts.
    void placeTrim();

    std::unique_ptr<StreamReader> reader_;
    FrameHeader header_;
    Crc16* crc_ = nullptr;
    std::unique_ptr<FrameSynthesis> synth_;
    std::unique_ptr<layer3::Layer3Decoder> layer3_;
    decoder::DecoderSettings settings_;
    decoder::PcmSink* sink_ = nullptr;
    Collector collector_;
    std::shared_ptr<const StreamMap> map_;
    std::shared_ptr<const GaplessPlan> plan_ = std::make_shared<GaplessPlan>();
    GaplessTrim trim_;
    StreamingTrim streamingTrim_;
    FormatKeeper keeper_;
    bool scanAtOpen_ = true;
    bool tagFrame_ = false;  // following the stream: the frame held carries a VBR tag
    int32_t firstSamplesPerFrame_ = 0;
    int32_t firstLayer_ = 0;
    uint32_t sourceRate_ = 0;  // the format of the frame decoded last
    uint32_t sourceChannels_ = 0;
    uint32_t formatChanges_ = 0;
    std::vector<float> silence_;
    bool gapless_ = false;
    bool silentDrops_ = false;
    bool haveFrame_ = false;
    bool lowSampling_ = false;
    int32_t channels_ = 0;
    int32_t sampleRate_ = 0;
    int32_t layer_ = 0;
    uint64_t samplesOut_ = 0;
    uint32_t framesDecoded_ = 0;
    uint32_t framesDropped_ = 0;
};
