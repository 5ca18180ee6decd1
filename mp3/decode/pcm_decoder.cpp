#include "mp3/decode/pcm_decoder.h"

#include <algorithm>

#include "mp3/decode/gapless_trim.h"
#include "mp3/decoder/pcm_rounding.h"
#include "mp3/decoder/vector_path.h"
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
    settings.volume = 1.0f;
    // A handle is no play: it runs the fastest kernels the CPU has, whatever the play switches say.
    settings.path = decoder::bestVectorPath();
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
    uint64_t cutStart = 0;
    uint64_t cutLength = 0;
    if (!r.vbrTagPresent()
        || !GaplessTrim::fromTag(r.vbrInfo(), int32_t(format_.layer), int32_t(format_.samplesPerFrame), cutStart,
                                 cutLength))
        return true;
    format_.totalFrames = cutLength;
    trimStart_ = cutStart;
    trimEnd_ = cutStart + cutLength;
    // A stream shorter than its delay still opens; it then reads nothing.
    seekDecoded(trimStart_);
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
        convert(pending_.data() + pendingAt_, dst + done * ch, size_t(n * ch));
        pendingAt_ += size_t(n * ch);
        done += n;
    }
    position_ += done;
    return done;
}

uint64_t PcmDecoder::read(float* dst, uint64_t frames)
{
    frames = std::min(frames, trimEnd_ > position_ ? trimEnd_ - position_ : 0);
    return drain(dst, frames, [](const float* src, float* out, size_t count) { std::copy(src, src + count, out); });
}

uint64_t PcmDecoder::readInt16(int16_t* dst, uint64_t frames)
{
    frames = std::min(frames, trimEnd_ > position_ ? trimEnd_ - position_ : 0);
    // Rounded to nearest and held to the 16-bit range by the decoder's rounding kernels, a
    // stretch at a time through 16-bit scale.
    const decoder::VectorPath path = decoder::bestVectorPath();
    return drain(dst, frames, [path](const float* src, int16_t* out, size_t count) {
        constexpr size_t kStretch = 1024;
        float scaled[kStretch];
        for (size_t at = 0; at < count; at += kStretch) {
            const size_t n = std::min(kStretch, count - at);
            for (size_t k = 0; k < n; ++k)
                scaled[k] = src[at + k] * 32768.0f;
            roundToPcm16(path, scaled, out + at, uint32_t(n));
        }
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
