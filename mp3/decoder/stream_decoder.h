#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mp3/decoder/layer3_decoder.h"
#include "mp3/decoder/synthesis_filter.h"
#include "mp3/player/frame_header.h"
#include "mp3/player/obuffer.h"
#include "mp3/player/stream_reader.h"

// Decodes an MPEG audio file with no audio device: frames in, interleaved float PCM in 16-bit
// scale out (at the player's current volume; 32768 gives full scale). The same per-frame steps as
// the playback loop, for tests, benchmarks and fuzzing.
class StreamDecoder {
public:
    StreamDecoder() = default;
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    // Opens the file and reads its first frame, passing over a frame that carries a VBR tag,
    // then creates the filters and a block-sink output collecting the PCM. False when the file
    // cannot be opened or holds no readable frame.
    bool open(const char* path, uint32_t startOffset = 0);
    // The two halves of open for the player: the stream and filters, then an output of its choice
    // (config's layer, rate and sampling version are taken from the first frame). createOutput
    // returns false, keeping the output for its error flag, when the output failed.
    bool openStream(const char* path, uint32_t startOffset);
    bool createOutput(ObufferConfig config);
    // Gapless output for outputs created from now on (default off: every decoded sample). With
    // it, a Layer III stream whose VBR tag carries the encoder's delay and padding loses them,
    // and the filterbank's own delay, so it decodes to the encoder's input length exactly.
    void setGapless(bool on) { gapless_ = on; }
    // Frames per channel cut from the start of the decoded timeline (0 without gapless trimming).
    uint64_t trimStart() const { return trimStart_; }

    // Frame seeks (constant bitrate) and percentage seeks (VBR tag) that leave the target frame
    // held; false when the target cannot be reached.
    bool seekFrame(int32_t frame);
    bool seekPercent(float percent);
    // After a seek: filters and decoder state start afresh.
    void resetAfterSeek();

    StreamReader& reader() { return *reader_; }
    const FrameHeader& header() const { return header_; }
    const std::shared_ptr<Obuffer>& output() const { return out_; }
    bool hasFrame() const { return haveFrame_; }
    // Decodes the frame held and reads the next; false once the stream has ended.
    bool decodeFrame();
    // Decodes up to maxFrames frames (all by default) and flushes the output; returns the frames handled.
    uint32_t decodeAll(uint32_t maxFrames = UINT32_MAX);

    int32_t channels() const { return channels_; }
    int32_t sampleRate() const { return sampleRate_; }
    int32_t layer() const { return layer_; }
    const std::vector<float>& pcm() const { return pcm_; }
    // Keeps the samples from here on only when true (the benchmark only counts them).
    void keepPcm(bool keep) { keepPcm_ = keep; }
    uint64_t samplesOut() const { return samplesOut_; }
    uint32_t framesDecoded() const { return framesDecoded_; }
    uint32_t framesDropped() const { return framesDropped_; }

private:
    static void collect(void* context, const float* samples, uint32_t count, uint32_t channels);
    void decodeCurrentFrame();

    std::unique_ptr<StreamReader> reader_;
    FrameHeader header_;
    Crc16* crc_ = nullptr;
    std::unique_ptr<SynthesisFilter> filters_[2];
    std::unique_ptr<layer3::Layer3Decoder> layer3_;
    std::shared_ptr<Obuffer> out_;  // read-outs on host threads may hold it past the play
    std::vector<float> pcm_;
    bool keepPcm_ = true;
    bool haveFrame_ = false;
    bool gapless_ = false;
    uint64_t trimStart_ = 0;
    int32_t channels_ = 0;
    int32_t sampleRate_ = 0;
    int32_t layer_ = 0;
    uint64_t samplesOut_ = 0;
    uint32_t framesDecoded_ = 0;
    uint32_t framesDropped_ = 0;
};
