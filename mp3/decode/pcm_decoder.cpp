#include "mp3/decode/pcm_decoder.h"

#include <algorithm>
#include <cmath>

#include "mp3/stream/audio_extent.h"

bool PcmDecoder::restart()
{
    decoder_ = std::make_unique<StreamDecoder>();
    pending_.clear();
    pendingAt_ = 0;
    std::unique_ptr<ByteSource> source = factory_();
    if (!source || !decoder_->openStream(std::move(source), 0, map_))
        return false;
    map_ = decoder_->map();
    decoder::DecoderSettings settings;
    settings.volume = 1.0f;
    decoder_->setSettings(settings);
    decoder_->setSink(this);
    decoder_->setGapless(true);
    decoder_->setSilentDrops(true);
    return true;
}

bool PcmDecoder::open()
{
    // The tags first: a callback source is one stream, which the decoder's source then rewinds.
    if (std::unique_ptr<ByteSource> source = factory_(); source && source->isOpen())
        findAudioExtent(*source, 0, &tags_);
    if (!restart())
        return false;
    const FrameHeader& h = decoder_->header();
    format_.sampleRate = uint32_t(decoder_->sampleRate());
    format_.channels = uint32_t(decoder_->channels());
    format_.layer = uint32_t(decoder_->layer());
    format_.bitrate = uint32_t(std::max(h.bitrate(), 0));
    format_.samplesPerFrame = uint32_t(std::max(map_->samplesPerFrame, 0));
    format_.totalFrames = decoder_->plan().total();
    const StreamMap::Part& first = map_->parts.front();
    if (first.tagged && first.tag.encoderExtension) {
        format_.encoderDelay = uint32_t(std::max(first.tag.encoderDelay, 0));
        format_.encoderPadding = uint32_t(std::max(first.tag.encoderPadding, 0));
    }
    if (format_.samplesPerFrame == 0)
        return false;
    pending_.reserve(size_t(format_.samplesPerFrame) * format_.channels);
    // A stream that delivers nothing still opens; it then reads nothing.
    if (format_.totalFrames > 0)
        seek(0);
    return true;
}

void PcmDecoder::frame(const float* const* pcm, uint32_t channels, uint32_t samples)
{
    const size_t start = pending_.size();
    pending_.resize(start + size_t(samples) * channels);
    float* out = pending_.data() + start;
    for (uint32_t i = 0; i < samples; ++i)
        for (uint32_t c = 0; c < channels; ++c)
            *out++ = pcm[c][i];
}

bool PcmDecoder::fill()
{
    pending_.clear();
    pendingAt_ = 0;
    if (!decoder_ || !decoder_->hasFrame())
        return false;
    decoder_->decodeFrame();
    return true;
}

template<typename T, typename Convert> uint64_t PcmDecoder::drain(T* dst, uint64_t frames, Convert convert)
{
    const uint32_t ch = format_.channels;
    frames = std::min(frames, format_.totalFrames > position_ ? format_.totalFrames - position_ : 0);
    uint64_t done = 0;
    while (done < frames) {
        if (pendingAt_ >= pending_.size() && !fill())
            break;
        const uint64_t available = (pending_.size() - pendingAt_) / ch;
        const uint64_t n = std::min(frames - done, available);
        const float* src = pending_.data() + pendingAt_;
        T* out = dst + done * ch;
        for (uint64_t i = 0; i < n * ch; ++i)
            out[i] = convert(src[i]);
        pendingAt_ += size_t(n * ch);
        done += n;
    }
    position_ += done;
    return done;
}

uint64_t PcmDecoder::read(float* dst, uint64_t frames)
{
    return drain(dst, frames, [](float v) { return v; });
}

uint64_t PcmDecoder::readInt16(int16_t* dst, uint64_t frames)
{
    return drain(dst, frames, [](float v) {
        const float s = v * 32768.0f;
        // Rounded to nearest and held to the 16-bit range; NaN cannot come from the decoder but
        // would give 0.
        if (!(s > -32768.0f))
            return int16_t(s <= -32768.0f ? -32768 : 0);
        return int16_t(s >= 32767.0f ? 32767 : std::lrint(s));
    });
}

bool PcmDecoder::endStream()
{
    decoder_.reset();
    pending_.clear();
    pendingAt_ = 0;
    return false;
}

bool PcmDecoder::seek(uint64_t frame)
{
    const uint64_t total = format_.totalFrames;
    if (frame > total)
        return false;
    if (frame == total) {
        pending_.clear();
        pendingAt_ = 0;
        position_ = total;
        return true;
    }
    if (!decoder_ && !restart())
        return endStream();
    const GaplessPlan& plan = decoder_->plan();
    const uint64_t spf = format_.samplesPerFrame;
    const uint64_t decoded = plan.toDecoded(frame);
    const uint64_t target = decoded / spf;
    if (!decoder_->seekAudioFrame(map_->primingStart(target)))
        return endStream();
    // The frames before the target only bring the decoder's state where a full decode has it.
    auto heldAudio = [this] {
        const size_t i = size_t(std::max(decoder_->reader().frameIndex(), 0));
        return i < map_->frames.size() ? uint64_t(map_->frames[i].audioIndex) : uint64_t(map_->audioFrames);
    };
    while (decoder_->hasFrame() && heldAudio() < target)
        decoder_->decodeFrame();
    if (!fill())
        return endStream();
    pendingAt_ = size_t(frame - plan.keptBefore(target * spf)) * format_.channels;
    if (pendingAt_ >= pending_.size())
        return endStream();
    position_ = frame;
    return true;
}
