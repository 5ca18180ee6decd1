#include "mp3/decode/pcm_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "mp3/decode/gapless_trim.h"
#include "mp3/stream/audio_extent.h"

bool PcmDecoder::restart()
{
    decoder_ = std::make_unique<StreamDecoder>();
    pending_.clear();
    pendingAt_ = 0;
    position_ = 0;
    std::unique_ptr<ByteSource> source = factory_();
    if (!source || !decoder_->openStream(std::move(source), 0))
        return false;
    decoder::DecoderSettings settings;
    settings.path = path_;
    settings.volume = 1.0f;
    decoder_->setSettings(settings);
    decoder_->setSink(this);
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
    format_.samplesPerFrame = uint32_t(h.samplesPerFrame());
    const StreamReader& r = decoder_->reader();
    format_.totalFrames = r.vbrTagPresent() ? uint64_t(r.vbrInfo().frames) * format_.samplesPerFrame : 0;
    if (r.vbrTagPresent() && r.vbrInfo().encoderExtension) {
        format_.encoderDelay = uint32_t(std::max(r.vbrInfo().encoderDelay, 0));
        format_.encoderPadding = uint32_t(std::max(r.vbrInfo().encoderPadding, 0));
    }
    pending_.reserve(size_t(format_.samplesPerFrame) * format_.channels);
    if (format_.samplesPerFrame == 0)
        return false;
    taggedFrames_ = format_.totalFrames;
    hasCut_ = r.vbrTagPresent()
        && GaplessTrim::fromTag(r.vbrInfo(), int32_t(format_.layer), int32_t(format_.samplesPerFrame), cutStart_,
                                cutLength_);
    if (hasCut_)
        setGapless(true);
    return true;
}

void PcmDecoder::setGapless(bool on)
{
    const bool cut = on && hasCut_;
    trimStart_ = cut ? cutStart_ : 0;
    trimEnd_ = cut ? cutStart_ + cutLength_ : UINT64_MAX;
    format_.totalFrames = cut ? cutLength_ : taggedFrames_;
    // A stream shorter than its delay still opens; it then reads nothing.
    if (cut)
        seekDecoded(trimStart_);
    else
        restart();
}

void PcmDecoder::setVectorPath(decoder::VectorPath path)
{
    path_ = path;
    if (decoder_ && decoder_->settings().path != path) {
        decoder::DecoderSettings settings = decoder_->settings();
        settings.path = path;
        decoder_->setSettings(settings);
    }
}

void PcmDecoder::frame(const float* const* pcm, uint32_t channels, uint32_t samples)
{
    const size_t start = pending_.size();
    pending_.resize(start + size_t(samples) * channels);
    float* out = pending_.data() + start;
    if (channels == 1) {
        std::memcpy(out, pcm[0], samples * sizeof(float));
        return;
    }
    // Stereo, the common case, in a loop the compiler can vectorise.
    const float* left = pcm[0];
    const float* right = pcm[1];
    for (uint32_t i = 0; i < samples; ++i) {
        out[2 * i] = left[i];
        out[2 * i + 1] = right[i];
    }
}

bool PcmDecoder::fill()
{
    pending_.clear();
    pendingAt_ = 0;
    if (!decoder_ || !decoder_->hasFrame())
        return false;
    const uint32_t dropped = decoder_->framesDropped();
    decoder_->decodeFrame();
    if (decoder_->framesDropped() != dropped)
        pending_.assign(size_t(format_.samplesPerFrame) * format_.channels, 0.0f);
    return true;
}

template<typename T, typename Convert> uint64_t PcmDecoder::drain(T* dst, uint64_t frames, Convert convert)
{
    const uint32_t ch = format_.channels;
    uint64_t done = 0;
    while (done < frames) {
        if (pendingAt_ >= pending_.size() && !fill())
            break;
        const uint64_t available = (pending_.size() - pendingAt_) / ch;
        const uint64_t n = std::min(frames - done, available);
        const float* src = pending_.data() + pendingAt_;
        T* out = dst + done * ch;
        if constexpr (std::is_same_v<T, float>)
            std::memcpy(out, src, size_t(n * ch) * sizeof(float));
        else
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
    frames = std::min(frames, trimEnd_ > position_ ? trimEnd_ - position_ : 0);
    return drain(dst, frames, [](float v) { return v; });
}

uint64_t PcmDecoder::readInt16(int16_t* dst, uint64_t frames)
{
    frames = std::min(frames, trimEnd_ > position_ ? trimEnd_ - position_ : 0);
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
    // Past the cut's end is past the end; the sum cannot overflow below it.
    if (frame >= trimEnd_ - trimStart_)
        return endStream();
    return seekDecoded(frame + trimStart_);
}

bool PcmDecoder::seekDecoded(uint64_t frame)
{
    if (!restart())
        return false;
    const uint64_t target = frame / format_.samplesPerFrame;
    const uint64_t priming = format_.layer == 3 ? kLayer3PrimingFrames : kLayer12PrimingFrames;
    const uint64_t skipped = target > priming ? target - priming : 0;
    bool ok = true;
    for (uint64_t i = 0; ok && i < skipped; ++i)
        ok = decoder_->skipFrame();
    decoder_->resetAfterSeek();
    for (uint64_t i = skipped; ok && i <= target; ++i)
        ok = fill();
    pendingAt_ = size_t(frame - target * format_.samplesPerFrame) * format_.channels;
    if (!ok || pendingAt_ >= pending_.size())
        return endStream();
    position_ = frame;
    return true;
}
