#include "mp3/decode/stream_decoder.h"

#include "mp3/decoder/layer12_frame.h"
#include "mp3/decoder/layer3_frame.h"

#include <algorithm>
#include <utility>

bool StreamDecoder::open(const char* path, uint32_t startOffset)
{
    if (!openStream(path, startOffset))
        return false;
    sink_ = &collector_;
    return true;
}

bool StreamDecoder::openStream(const char* path, uint32_t startOffset)
{
    return openStream(openFileSource(path), startOffset);
}

bool StreamDecoder::openStream(std::unique_ptr<ByteSource> source, uint32_t startOffset)
{
    reader_ = std::make_unique<StreamReader>(std::move(source), startOffset);
    // A decoder opened again starts afresh: the header's sync and padding table were the old stream's.
    header_ = FrameHeader();
    crc_ = nullptr;
    haveFrame_ = false;
    if (!reader_->isOpen() || !header_.readFrame(*reader_, &crc_))
        return false;
    if (reader_->vbrTagPresent() && !header_.readFrame(*reader_, &crc_))
        return false;

    channels_ = header_.mode() == FrameHeader::kSingleChannel ? 1 : 2;
    sampleRate_ = header_.sampleRate();
    layer_ = header_.layer();
    lowSampling_ = header_.version() == 0;
    uint64_t cutStart = 0;
    uint64_t cutLength = 0;
    trimmable_ = reader_->vbrTagPresent()
        && GaplessTrim::fromTag(reader_->vbrInfo(), layer_, header_.samplesPerFrame(), cutStart, cutLength);
    if (trimmable_)
        trim_.setCut(cutStart, cutLength);
    synth_ = std::make_unique<FrameSynthesis>(channels_);
    if (layer_ == 3)
        layer3_ = std::make_unique<layer3::Layer3Decoder>();
    haveFrame_ = true;
    return true;
}

bool StreamDecoder::seekFrame(int32_t frame)
{
    if (!reader_ || !synth_)
        return false;
    haveFrame_ = header_.seekFrame(*reader_, frame, &crc_);
    if (haveFrame_)
        placeTrim(true);
    return haveFrame_;
}

bool StreamDecoder::seekPercent(float percent)
{
    if (!reader_ || !synth_)
        return false;
    haveFrame_ = header_.seekPercent(*reader_, percent, &crc_);
    if (haveFrame_)
        placeTrim(false);
    return haveFrame_;
}

void StreamDecoder::placeTrim(bool tagFrameCounted)
{
    const int32_t frame = reader_->frameIndex() - (tagFrameCounted && reader_->vbrTagPresent() ? 1 : 0);
    trim_.setPosition(uint64_t(std::max(0, frame)) * uint64_t(header_.samplesPerFrame()));
}

void StreamDecoder::resetAfterSeek()
{
    if (synth_)
        synth_->reset();
    if (layer3_)
        layer3_->reset();
}

void StreamDecoder::Collector::frame(const float* const* pcm, uint32_t channels, uint32_t samples)
{
    if (!keep)
        return;
    const size_t start = interleaved.size();
    interleaved.resize(start + size_t(samples) * channels);
    float* out = interleaved.data() + start;
    for (uint32_t i = 0; i < samples; ++i)
        for (uint32_t c = 0; c < channels; ++c)
            *out++ = pcm[c][i];
}

// The one place where a frame goes to the decoder of its layer; true when it was decoded.
bool StreamDecoder::decodeCurrentFrame()
{
    // The sync rule lets the layer change; the synthesis and decoders are set up for the first one.
    if (header_.layer() != layer_)
        return false;
    synth_->configure(settings_);
    switch (header_.layer()) {
    case 1:
    case 2:
        return decodeLayer12Frame(*reader_, header_, crc_, *synth_) == Layer12Result::Decoded;
    case 3:
        // A frame whose channel count differs from the first frame's cannot go to this output.
        return layer3_ && header_.channels() == channels_
            && decodeLayer3Frame(*reader_, header_, settings_, *layer3_, *synth_) == layer3::FrameResult::Decoded;
    default:
        return false;
    }
}

bool StreamDecoder::decodeFrame()
{
    if (!haveFrame_)
        return false;
    if (decodeCurrentFrame()) {
        ++framesDecoded_;
        samplesOut_ += uint64_t(synth_->samples()) * uint64_t(channels_);
        if (sink_ && gaplessActive()) {
            trim_.setTarget(sink_);
            synth_->emit(trim_);
        } else if (sink_) {
            synth_->emit(*sink_);
        }
    } else {
        ++framesDropped_;
    }
    haveFrame_ = header_.readFrame(*reader_, &crc_);
    return haveFrame_;
}

bool StreamDecoder::skipFrame()
{
    if (!haveFrame_)
        return false;
    haveFrame_ = header_.readFrame(*reader_, &crc_);
    return haveFrame_;
}

uint32_t StreamDecoder::decodeAll(uint32_t maxFrames)
{
    uint32_t n = 0;
    while (haveFrame_ && n < maxFrames) {
        decodeFrame();
        ++n;
    }
    return n;
}
