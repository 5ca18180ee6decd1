#include "mp3/decode/pcm_decoder.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "mp3/decoder/interleave.h"
#include "mp3/stream/audio_extent.h"
#include "orvane/dsp.h"

bool PcmDecoder::restart()
{
    decoder_ = std::make_unique<StreamDecoder>();
    pendingEnd_ = 0;
    pendingAt_ = 0;
    std::unique_ptr<ByteSource> source = factory_();
    if (!source || !decoder_->openStream(std::move(source), 0, map_))
        return false;
    map_ = decoder_->map();
    decoder_->setSink(this);
    decoder_->setGapless(gapless_);
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

void PcmDecoder::setGapless(bool on)
{
    gapless_ = on;
    position_ = 0;
    if (!restart()) {
        endStream();
        return;
    }
    format_.totalFrames = decoder_->plan().total();
    if (format_.totalFrames > 0)
        seek(0);
}

void PcmDecoder::frame(const float* const* pcm, uint32_t channels, uint32_t samples)
{
    // Straight into the reader's buffer when the frame fits there whole and nothing went to
    // pending_ before it, which saves copying every sample a second time.
    if (direct_ != nullptr && samples <= directRoom_ && channels == format_.channels) {
        place(pcm, channels, samples, direct_);
        direct_ += size_t(samples) * channels;
        directRoom_ -= samples;
        directDone_ += samples;
        return;
    }
    direct_ = nullptr;
    // The buffer only grows (its new part zero-filled once); pendingEnd_ says what it holds.
    const size_t start = pendingEnd_;
    const size_t end = start + size_t(samples) * channels;
    if (pending_.size() < end)
        pending_.resize(end);  // may throw: pendingEnd_ moves only once the samples have room
    pendingEnd_ = end;
    place(pcm, channels, samples, pending_.data() + start);
}

void PcmDecoder::place(const float* const* pcm, uint32_t channels, uint32_t samples, float* out)
{
    if (channels == 1)
        std::memcpy(out, pcm[0], samples * sizeof(float));
    else
        decoder::interleaveStereo(pcm[0], pcm[1], out, samples);
}

bool PcmDecoder::fill()
{
    pendingEnd_ = 0;
    pendingAt_ = 0;
    if (!decoder_ || !decoder_->hasFrame())
        return false;
    // Full scale +-1.0 on the process's vector path now.
    decoder::DecoderSettings settings;
    settings.volume = 1.0f;
    settings.path = decoder::processVectorPath();
    decoder_->setSettings(settings);
    decoder_->decodeFrame();
    return true;
}

template<typename T, typename Convert> uint64_t PcmDecoder::drain(T* dst, uint64_t frames, Convert convert)
{
    const uint32_t ch = format_.channels;
    frames = std::min(frames, format_.totalFrames > position_ ? format_.totalFrames - position_ : 0);
    uint64_t done = 0;
    while (done < frames) {
        if (pendingAt_ >= pendingEnd_) {
            // Float reads let the next frame land in dst itself when it fits.
            if constexpr (std::is_same_v<T, float>) {
                direct_ = dst + done * ch;
                directRoom_ = frames - done;
            }
            directDone_ = 0;
            bool more = false;
            {
                // No later decode (a seek's) may write there, even when this one throws.
                const struct Clear {
                    float*& direct;
                    ~Clear() { direct = nullptr; }
                } clear{direct_};
                more = fill();
            }
            done += directDone_;
            if (!more)
                break;
            continue;
        }
        const uint64_t available = (pendingEnd_ - pendingAt_) / ch;
        const uint64_t n = std::min(frames - done, available);
        convert(pending_.data() + pendingAt_, dst + done * ch, uint32_t(n * ch));
        pendingAt_ += size_t(n * ch);
        done += n;
    }
    position_ += done;
    return done;
}

uint64_t PcmDecoder::read(float* dst, uint64_t frames)
{
    return drain(dst, frames, [](const float* src, float* out, uint32_t n) { std::copy(src, src + n, out); });
}

uint64_t PcmDecoder::readInt16(int16_t* dst, uint64_t frames)
{
    // libdsp's conversion family: x 32768, rounded to nearest, saturated.
    return drain(dst, frames, [](const float* src, int16_t* out, uint32_t n) { dspFloatToPcm16(src, out, n); });
}

bool PcmDecoder::endStream()
{
    decoder_.reset();
    pendingEnd_ = 0;
    pendingAt_ = 0;
    return false;
}

bool PcmDecoder::seek(uint64_t frame)
{
    const uint64_t total = format_.totalFrames;
    if (frame > total)
        return false;
    if (frame == total) {
        pendingEnd_ = 0;
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
    if (pendingAt_ >= pendingEnd_)
        return endStream();
    position_ = frame;
    return true;
}
