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

bool StreamDecoder::openStream(std::unique_ptr<ByteSource> source, uint32_t startOffset,
                               std::shared_ptr<const StreamMap> map, TagText* tags)
{
    reader_ = std::make_unique<StreamReader>(std::move(source), startOffset, tags);
    // A decoder opened again starts afresh: the header's sync and padding table were the old stream's.
    header_ = FrameHeader();
    crc_ = nullptr;
    haveFrame_ = false;
    streamingTrim_ = StreamingTrim();
    if (!reader_->isOpen())
        return false;
    if (!map && scanAtOpen_ && reader_->canSeek()) {
        auto scanned = std::make_shared<StreamMap>();
        if (!scanStream(*reader_, *scanned) || !reader_->positionAt(0, 0))
            return false;
        map = std::move(scanned);
    }
    map_ = std::move(map);
    if ((map_ && map_->audioFrames == 0) || !header_.readFrame(*reader_, &crc_))
        return false;
    firstSamplesPerFrame_ = header_.samplesPerFrame();
    firstLayer_ = header_.layer();
    if (!map_)
        followFrame();
    if (isTagFrame() && !readAudioFrame())
        return false;

    channels_ = header_.mode() == FrameHeader::kSingleChannel ? 1 : 2;
    sampleRate_ = header_.sampleRate();
    layer_ = header_.layer();
    lowSampling_ = header_.version() == 0;
    setGapless(gapless_);
    trim_.setPosition(0);
    trim_.setTarget(&keeper_);
    streamingTrim_.setTarget(&keeper_);
    sourceRate_ = 0;
    sourceChannels_ = 0;
    formatChanges_ = 0;
    keeper_.setOutput(uint32_t(sampleRate_), uint32_t(channels_));
    synth_ = std::make_unique<FrameSynthesis>(channels_);
    if (layer_ == 3)
        layer3_ = std::make_unique<layer3::Layer3Decoder>();
    haveFrame_ = true;
    return true;
}

void StreamDecoder::setGapless(bool on)
{
    gapless_ = on;
    if (map_)
        plan_ = std::make_shared<GaplessPlan>(*map_, on);
    trim_.setPlan(plan_);
    streamingTrim_.configure(on, firstLayer_);
}

uint64_t StreamDecoder::trimStart() const
{
    if (!map_)
        return streamingTrim_.startCut();
    return gapless_ && !plan_->ranges().empty() ? plan_->ranges().front().from : 0;
}

bool StreamDecoder::isTagFrame() const
{
    if (!map_)
        return tagFrame_;
    const int32_t i = reader_->frameIndex();
    return i >= 0 && size_t(i) < map_->frames.size() && map_->frames[size_t(i)].tag;
}

void StreamDecoder::followFrame()
{
    // The tag test of scanStream, so both ways find the same parts.
    VbrInfo tag;
    bool counted = false;
    if (header_.layer() == 3)
        counted = reader_->frameVbrTag(tag);
    tagFrame_ = tag.found;
    if (tagFrame_ || reader_->frameIndex() == 0)
        streamingTrim_.beginPart(tagFrame_ ? &tag : nullptr, counted);
    streamingTrim_.countFrame(uint32_t(header_.bodySize()) + 4, !tagFrame_);
}

bool StreamDecoder::readAudioFrame()
{
    do {
        if (!header_.readFrame(*reader_, &crc_)) {
            if (!map_)
                streamingTrim_.finish();
            return false;
        }
        if (!map_)
            followFrame();
    } while (isTagFrame());
    return true;
}

bool StreamDecoder::seekFrame(int32_t frame)
{
    if (!reader_ || !synth_ || !map_)
        return false;
    haveFrame_ = header_.seekFrame(*reader_, frame, &crc_) && (!isTagFrame() || readAudioFrame());
    if (haveFrame_)
        placeTrim();
    return haveFrame_;
}

bool StreamDecoder::seekPercent(float percent)
{
    if (!reader_ || !synth_ || !map_)
        return false;
    haveFrame_ = header_.seekPercent(*reader_, percent, &crc_) && (!isTagFrame() || readAudioFrame());
    if (haveFrame_)
        placeTrim();
    return haveFrame_;
}

bool StreamDecoder::seekAudioFrame(uint64_t audio)
{
    if (!reader_ || !synth_ || !map_)
        return false;
    const size_t i = map_->frameOfAudio(audio);
    haveFrame_ = i < map_->frames.size() && reader_->positionAt(map_->frames[i].offset, int32_t(i))
        && header_.readFrame(*reader_, &crc_);
    resetAfterSeek();
    if (haveFrame_)
        placeTrim();
    return haveFrame_;
}

void StreamDecoder::placeTrim()
{
    const int32_t i = reader_->frameIndex();
    uint64_t audio = 0;
    if (map_ && i >= 0)
        audio = size_t(i) < map_->frames.size() ? map_->frames[size_t(i)].audioIndex : map_->audioFrames;
    trim_.setPosition(map_ ? map_->sampleOfAudio(audio) : 0);
}

void StreamDecoder::resetAfterSeek()
{
    if (synth_)
        synth_->reset();
    if (layer3_)
        layer3_->reset();
    keeper_.restart();
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
    synth_->setChannels(header_.channels());
    synth_->configure(settings_);
    switch (header_.layer()) {
    case 1:
    case 2:
        return decodeLayer12Frame(*reader_, header_, crc_, *synth_) == Layer12Result::Decoded;
    case 3:
        return layer3_
            && decodeLayer3Frame(*reader_, header_, settings_, *layer3_, *synth_) == layer3::FrameResult::Decoded;
    default:
        return false;
    }
}

bool StreamDecoder::decodeFrame()
{
    if (!haveFrame_)
        return false;
    keeper_.setTarget(sink_);
    const uint32_t rate = uint32_t(header_.sampleRate());
    const uint32_t channels = uint32_t(header_.channels());
    if (rate != sourceRate_ || channels != sourceChannels_) {
        if (sourceRate_ != 0) {
            ++formatChanges_;
            // Samples the cut still holds are of the format before.
            if (!map_)
                streamingTrim_.flush();
        }
        sourceRate_ = rate;
        sourceChannels_ = channels;
    }
    keeper_.setSource(rate, channels);
    decoder::PcmSink& out = map_ ? static_cast<decoder::PcmSink&>(trim_) : streamingTrim_;
    if (decodeCurrentFrame()) {
        ++framesDecoded_;
        samplesOut_ += uint64_t(synth_->samples()) * uint64_t(synth_->channels());
        synth_->emit(out);
    } else {
        ++framesDropped_;
        const uint32_t samples = uint32_t(std::max(header_.samplesPerFrame(), 0));
        if (silentDrops_ && samples > 0) {
            silence_.assign(samples, 0.0f);
            const float* pcm[2] = {silence_.data(), silence_.data()};
            out.frame(pcm, channels, samples);
        } else if (map_) {
            // The frame's place on the timeline stays counted.
            trim_.setPosition(trim_.position() + samples);
        } else {
            streamingTrim_.skip(samples);
        }
    }
    haveFrame_ = readAudioFrame();
    if (!haveFrame_)
        keeper_.finish();
    return haveFrame_;
}

bool StreamDecoder::skipFrame()
{
    if (!haveFrame_)
        return false;
    haveFrame_ = readAudioFrame();
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
