#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "mp3/decode/format_plan.h"
#include "mp3/decode/stream_decoder.h"
#include "mp3/decoder/pcm_sink.h"
#include "mp3/stream/byte_source.h"
#include "mp3/stream/stream_survey.h"
#include "mp3/stream/tag_text.h"

// Decodes a stream into the caller's buffers on demand, frame by frame, with full scale at +-1.0.
// A frame the decoder drops (damaged, of another layer, or missing its Layer III reservoir bytes)
// gives a frame of silence, so positions and seeks are exact. Reads follow the stream as it comes;
// the whole stream is surveyed (StreamSurvey) only when asked: for the exact total, the stream
// facts or a seek. Delivery is as the stream's GaplessPlan says: each part whose VBR tag gives the
// encoder's delay and padding without them; positions, seeks and the total count on what is
// delivered. A stream that changes sampling rate or channel count is delivered whole in its first
// format (FormatPlan); seeks into a resampled run land within a source sample of a decode's
// position. A source that cannot seek is read once: no survey, no seek, and the total is what is
// known. Owns everything it uses: handles on different threads share nothing.
class PcmDecoder : private decoder::PcmSink {
public:
    // Opens a fresh source at its first byte each time it is called (at open, for the survey and
    // at seeks); a source that cannot seek is asked for once, and puts the text of the tags at
    // its end into endTags as it reaches them.
    using SourceFactory = std::function<std::unique_ptr<ByteSource>(TagText* endTags)>;

    struct Format {
        uint32_t sampleRate = 0;
        uint32_t channels = 0;
        uint32_t layer = 0;
        uint32_t bitrate = 0;
        uint32_t samplesPerFrame = 0;
        // Frames a read from the start delivers: exact once surveyed (or, without seeks, once the
        // end is read), else the VBR tag's count, else 0 (unknown).
        uint64_t totalFrames = 0;
        uint32_t encoderDelay = 0;  // from the tag's encoder extension; 0 when it has none
        uint32_t encoderPadding = 0;
        // Changes of rate or channel count: in the whole stream once surveyed, else among the
        // frames read so far.
        uint32_t formatChanges = 0;
    };

    explicit PcmDecoder(SourceFactory factory) : factory_(std::move(factory)) { }

    // False when the source cannot be read or holds no readable frame.
    bool open();
    const Format& format() const { return format_; }
    // False for a source read once.
    bool canSeek() const { return canSeek_; }
    // Whether a read of the source failed (rather than the stream ending).
    bool sourceFailed() const { return decoder_ && decoder_->sourceFailed(); }
    // Surveys the whole stream once, making the total exact; false for a source that cannot
    // seek or fails.
    bool survey();
    // Makes the total exact: from an encoder tag that vouches for the stream, else by a survey;
    // false as for survey().
    bool settleTotal() { return tagVouches_ || survey(); }
    // The survey, or null before a successful survey().
    const StreamSurvey* surveyed() const { return survey_.get(); }
    // Whether the first frame's encoder tag vouches for the whole stream (tagVouchesForStream):
    // its counts then make the total exact without a survey (a seek still surveys).
    bool tagVouches() const { return tagVouches_; }
    // The first frame's fields, the first audio frame's (after a tag's frame), the first frame's
    // VBR tag (found or not) and where the audio lies, as read at open.
    const FrameHeader::Summary& firstFrame() const { return firstFrame_; }
    const FrameHeader::Summary& firstAudioFrame() const { return firstAudioFrame_; }
    const VbrInfo& firstTag() const { return firstTag_; }
    const AudioExtent& extent() const { return extent_; }
    // The text of the stream's tags (those at the end of a source that cannot seek once the
    // reads reach them).
    const TagText& tags() const { return tags_; }
    // The stream's ReplayGain: its tags' values, then its encoder tag's, read at open.
    const ReplayGain& replayGain() const { return replayGain_; }
    // Up to frames frames of interleaved samples: the frames written, 0 at the end.
    uint64_t read(float* dst, uint64_t frames);
    uint64_t readInt16(int16_t* dst, uint64_t frames);
    // Gapless delivery (the default) on or off; off delivers every decoded sample. Either way the
    // next read starts at the first frame of that timeline. A source read once allows it only
    // before the first read; false (nothing changes) after it.
    bool setGapless(bool on);
    // Plays the stream at its ReplayGain (replay_gain::playbackScale): 0 off, 1 track, 2 album.
    // Frames read from here on carry it, those already decoded too (the position is kept by a
    // seek there; false, as for seek, when the source fails).
    bool setReplayGain(int32_t mode);
    // Positions the next read at frame `frame` (the total: reads then give 0). Past the end it
    // is refused and nothing changes; when the source fails, false and reads give nothing until
    // the next good seek. Decoding restarts at StreamMap::primingStart, so the frames read are
    // those of a decode from the start. A source read once only "seeks" to where it is.
    bool seek(uint64_t frame);
    // Frames before the next one read.
    uint64_t position() const { return position_; }

private:
    void frame(const float* const* pcm, uint32_t channels, uint32_t samples) override;
    // A frame's channels interleaved into out.
    static void place(const float* const* pcm, uint32_t channels, uint32_t samples, float* out);
    // A decoder at the stream's first frame, mapped once surveyed; tags, when not null, gets the
    // text of the stream's tags.
    bool restart(TagText* tags);
    // After a failed seek: reads give nothing until the next good seek. Always false.
    bool endStream();
    // The decoder's settings for the frames decoded from now on: full scale, the process's path.
    void configure();
    // Decodes the frame held into pending_; false at the end of the stream.
    bool fill();
    // Takes the FormatPlan of the survey's map, its total and changes.
    void takeFormats(FormatPlan&& formats);
    // The total as far as it is known without a survey: the VBR tag's count.
    uint64_t taggedTotal() const;
    // Copies up to frames frames of pending samples to dst through convert; the frames copied.
    template<typename T, typename Convert> uint64_t drain(T* dst, uint64_t frames, Convert convert);

    SourceFactory factory_;
    std::unique_ptr<StreamDecoder> decoder_;
    Format format_;
    std::vector<float> pending_;
    size_t pendingEnd_ = 0;  // samples of pending_ that hold the frame decoded last
    size_t pendingAt_ = 0;
    // While a float read decodes: where frame() may put whole frames instead of pending_, the
    // frames of room left there, and the frames put there.
    float* direct_ = nullptr;
    uint64_t directRoom_ = 0;
    uint64_t directDone_ = 0;
    TagText tags_;
    std::shared_ptr<const StreamSurvey> survey_;
    std::shared_ptr<const StreamMap> map_;  // survey_'s map
    FormatPlan formats_;                    // of map_, once surveyed
    VbrInfo firstTag_;                      // the first frame's VBR tag, when it carries one
    bool firstTagCounted_ = false;
    bool tagVouches_ = false;
    FrameHeader::Summary firstFrame_;
    FrameHeader::Summary firstAudioFrame_;
    AudioExtent extent_;
    uint64_t position_ = 0;  // frames delivered before the next read
    bool gapless_ = true;
    bool canSeek_ = true;
    ReplayGain replayGain_;
    float volume_ = 1.0f;  // full scale +-1.0 times the ReplayGain factor chosen
};
