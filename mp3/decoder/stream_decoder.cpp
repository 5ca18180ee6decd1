#include "mp3/decoder/stream_decoder.h"

#include "mp3/decoder/layer12_frame.h"
#include "mp3/decoder/layer3_frame.h"

#include <algorithm>

namespace {

// Samples by which the hybrid filterbank and the synthesis delay a Layer III encoder's input.
constexpr uint64_t kLayer3DecoderDelay = 529;

}  // namespace

bool StreamDecoder::open(const char* path, uint32_t startOffset) {
    if (!openStream(path, startOffset)) return false;
    ObufferConfig config;
    config.target = ObufferTarget::Sink;
    config.bufferSize = 1;
    config.sink = &StreamDecoder::collect;
    config.sinkContext = this;
    return createOutput(config);
}

bool StreamDecoder::openStream(const char* path, uint32_t startOffset) {
    reader_ = std::make_unique<StreamReader>(path, startOffset);
    if (!reader_->isOpen() || !header_.readFrame(*reader_, &crc_)) return false;
    if (reader_->vbrTagPresent() && !header_.readFrame(*reader_, &crc_)) return false;

    channels_ = header_.mode() == FrameHeader::kSingleChannel ? 1 : 2;
    sampleRate_ = header_.sampleRate();
    layer_ = header_.layer();
    for (int ch = 0; ch < channels_; ++ch) filters_[ch] = std::make_unique<SynthesisFilter>(ch, 32768.0f);
    if (layer_ == 3) layer3_ = std::make_unique<layer3::Layer3Decoder>();
    return true;
}

bool StreamDecoder::createOutput(ObufferConfig config) {
    if (!reader_) return false;
    config.layer = layer_;
    config.lowSampling = header_.version() == 0;
    config.sampleRate = sampleRate_;
    trimStart_ = 0;
    if (gapless_ && layer_ == 3 && reader_->vbrTagPresent() && reader_->vbrInfo().encoderExtension) {
        const VbrInfo& tag = reader_->vbrInfo();
        trimStart_ = uint64_t(tag.encoderDelay) + kLayer3DecoderDelay;
        const int64_t source =
            int64_t(tag.frames) * header_.samplesPerFrame() - tag.encoderDelay - tag.encoderPadding;
        config.trimStart = trimStart_;
        config.keepFrames = uint64_t(std::max<int64_t>(0, source));
    }
    out_ = std::make_shared<Obuffer>(static_cast<uint32_t>(channels_), config);
    haveFrame_ = !out_->failed();
    return haveFrame_;
}

bool StreamDecoder::seekFrame(int32_t frame) {
    if (!reader_ || !out_) return false;
    haveFrame_ = header_.seekFrame(*reader_, frame, &crc_);
    // Frame positions count the frame that carries a VBR tag; the timeline does not.
    const int32_t audioFrame = reader_->frameIndex() - (reader_->vbrTagPresent() ? 1 : 0);
    if (haveFrame_) out_->setTimelinePosition(uint64_t(std::max(0, audioFrame)) * uint64_t(header_.samplesPerFrame()));
    return haveFrame_;
}

bool StreamDecoder::seekPercent(float percent) {
    if (!reader_ || !out_) return false;
    haveFrame_ = header_.seekPercent(*reader_, percent, &crc_);
    if (haveFrame_)
        out_->setTimelinePosition(uint64_t(std::max(0, reader_->frameIndex())) * uint64_t(header_.samplesPerFrame()));
    return haveFrame_;
}

void StreamDecoder::resetAfterSeek() {
    for (auto& f : filters_)
        if (f) f->reset();
    if (layer3_) layer3_->reset();
}

void StreamDecoder::collect(void* context, const float* samples, uint32_t count, uint32_t) {
    auto* self = static_cast<StreamDecoder*>(context);
    self->samplesOut_ += count;
    if (self->keepPcm_) self->pcm_.insert(self->pcm_.end(), samples, samples + count);
}

// The one place where a frame goes to the decoder of its layer.
void StreamDecoder::decodeCurrentFrame() {
    // The sync rule lets the layer change; the output and decoders are set up for the first one.
    if (header_.layer() != layer_) {
        ++framesDropped_;
        return;
    }
    switch (header_.layer()) {
    case 1:
    case 2: {
        const Layer12Result r =
            decodeLayer12Frame(*reader_, header_, crc_, filters_[0].get(), filters_[1].get(), *out_);
        if (r == Layer12Result::Decoded)
            ++framesDecoded_;
        else
            ++framesDropped_;
        break;
    }
    case 3: {
        // A frame whose channel count differs from the first frame's cannot go to this output.
        const bool fits = layer3_ && header_.channels() == channels_;
        if (fits && decodeLayer3Frame(*reader_, header_, *layer3_, filters_[0].get(), filters_[1].get(), *out_) ==
                        layer3::FrameResult::Decoded)
            ++framesDecoded_;
        else
            ++framesDropped_;
        break;
    }
    default: ++framesDropped_; break;
    }
}

bool StreamDecoder::decodeFrame() {
    if (!haveFrame_) return false;
    decodeCurrentFrame();
    haveFrame_ = header_.readFrame(*reader_, &crc_);
    return haveFrame_;
}

uint32_t StreamDecoder::decodeAll(uint32_t maxFrames) {
    uint32_t n = 0;
    while (haveFrame_ && n < maxFrames) {
        decodeFrame();
        ++n;
    }
    if (out_) out_->close();
    return n;
}
