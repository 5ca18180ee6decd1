#include "mp3/decode/pcm_decoder.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "mp3/decoder/interleave.h"
#include "orvane/dsp.h"

bool PcmDecoder::restart(TagText* tags)
{
    decoder_ = std::make_unique<StreamDecoder>();
    pendingEnd_ = 0;
    pendingAt_ = 0;
    std::unique_ptr<ByteSource> source = factory_(tags);
    if (!source || !source->isOpen())
        return false;
    canSeek_ = source->canSeek();
    // Mapped once surveyed; until then the stream is followed as it comes.
    decoder_->setScanAtOpen(false);
    if (!decoder_->openStream(std::move(source), 0, map_, tags))
        return false;
    decoder_->setSink(this);
    decoder_->setGapless(gapless_);
    decoder_->setSilentDrops(true);
    return true;
}

bool PcmDecoder::open()
{
    if (!restart(&tags_))
        return false;
    const FrameHeader& h = decoder_->header();
    format_.sampleRate = uint32_t(decoder_->sampleRate());
    format_.channels = uint32_t(decoder_->channels());
    format_.layer = uint32_t(decoder_->layer());
    format_.bitrate = uint32_t(std::max(h.bitrate(), 0));
    format_.samplesPerFrame = uint32_t(std::max(decoder_->firstSamplesPerFrame(), 0));
    const StreamReader& reader = decoder_->reader();
    firstFrame_ = FrameHeader::summarize(reader.firstHeaderBytes());
    firstAudioFrame_ = h.summary();
    extent_ = reader.extent();
    // The first frame's VBR tag, as a map of the stream would take it.
    if (decoder_->firstLayer() == 3 && reader.vbrInfo().found) {
        firstTag_ = reader.vbrInfo();
        firstTagCounted_ = reader.vbrTagPresent();
        tagVouches_ = firstTagCounted_ && firstFrame_.bytes > 0
            && tagVouchesForStream(firstTag_, reader.firstFrameOffset(), reader.audioBytes());
    }
    if (firstTag_.encoderExtension) {
        format_.encoderDelay = uint32_t(std::max(firstTag_.encoderDelay, 0));
        format_.encoderPadding = uint32_t(std::max(firstTag_.encoderPadding, 0));
    }
    replayGain_ = tags_.resolvedReplayGain(firstTag_.replayGain);
    format_.totalFrames = taggedTotal();
    if (format_.samplesPerFrame == 0)
        return false;
    pending_.reserve(size_t(format_.samplesPerFrame) * format_.channels);
    return true;
}

uint64_t PcmDecoder::taggedTotal() const
{
    if (!firstTag_.found || !firstTagCounted_)
        return 0;
    // The stream the tag describes: one part of its frame count.
    StreamMap claimed;
    claimed.samplesPerFrame = int32_t(format_.samplesPerFrame);
    claimed.layer = decoder_ ? decoder_->firstLayer() : 0;
    StreamMap::Part part;
    part.tagged = part.counted = true;
    part.tag = firstTag_;
    part.audioFrames = uint32_t(firstTag_.frames);
    part.bytes = uint64_t(firstTag_.bytes);
    claimed.parts.push_back(part);
    claimed.audioFrames = part.audioFrames;
    claimed.samples = uint64_t(part.audioFrames) * format_.samplesPerFrame;
    claimed.formats.push_back({0, 0, int32_t(format_.sampleRate), int32_t(format_.channels), claimed.samplesPerFrame});
    return GaplessPlan(claimed, gapless_).total();
}

bool PcmDecoder::survey()
{
    if (survey_)
        return true;
    if (!canSeek_)
        return false;
    auto surveyed = std::make_shared<StreamSurvey>();
    if (!surveyStream(factory_(nullptr), 0, *surveyed))
        return false;
    std::shared_ptr<const StreamMap> map(surveyed, &surveyed->map);
    FormatPlan formats(*map, GaplessPlan(*map, gapless_));
    // Nothing below can fail: the handle takes the survey whole or not at all.
    survey_ = std::move(surveyed);
    map_ = std::move(map);
    takeFormats(std::move(formats));
    return true;
}

void PcmDecoder::takeFormats(FormatPlan&& formats)
{
    formats_ = std::move(formats);
    format_.totalFrames = formats_.total();
    format_.formatChanges = formats_.changes();
}

bool PcmDecoder::setGapless(bool on)
{
    if (!canSeek_) {
        // Read once: only the cut of what is still to come can change.
        if (!decoder_ || decoder_->framesHandled() > 0)
            return false;
        gapless_ = on;
        decoder_->setGapless(on);
        format_.totalFrames = taggedTotal();
        return true;
    }
    if (map_)
        takeFormats(FormatPlan(*map_, GaplessPlan(*map_, on)));
    gapless_ = on;
    position_ = 0;
    if (!map_)
        format_.totalFrames = taggedTotal();
    if (!restart(nullptr))
        endStream();
    return true;
}

bool PcmDecoder::setReplayGain(int32_t mode)
{
    volume_ = mode == 0 ? 1.0f : replay_gain::playbackScale(replayGain_, mode == 2);
    // The pending samples were decoded at the old factor: decode them again.
    return !decoder_ || format_.totalFrames == 0 || seek(position_);
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

void PcmDecoder::configure()
{
    // Full scale +-1.0 (times the ReplayGain factor) on the process's vector path now.
    decoder::DecoderSettings settings;
    settings.volume = volume_;
    settings.path = decoder::processVectorPath();
    decoder_->setSettings(settings);
}

bool PcmDecoder::fill()
{
    pendingEnd_ = 0;
    pendingAt_ = 0;
    if (!decoder_ || !decoder_->hasFrame())
        return false;
    configure();
    decoder_->decodeFrame();
    if (!survey_)
        format_.formatChanges = decoder_->formatChanges();
    return true;
}

template<typename T, typename Convert> uint64_t PcmDecoder::drain(T* dst, uint64_t frames, Convert convert)
{
    const uint32_t ch = format_.channels;
    if (survey_)
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
            if (!more) {
                // Read once to the end: now the total is known.
                if (!canSeek_)
                    format_.totalFrames = position_ + done;
                break;
            }
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
    if (!canSeek_)
        return frame == position_;
    if (!survey())
        return endStream();
    const uint64_t total = format_.totalFrames;
    if (frame > total)
        return false;
    if (frame == total) {
        pendingEnd_ = 0;
        pendingAt_ = 0;
        position_ = total;
        return true;
    }
    if ((!decoder_ || !decoder_->map()) && !restart(nullptr))
        return endStream();
    const GaplessPlan& plan = decoder_->plan();
    const uint64_t kept = formats_.keptOfOut(formats_.runOfOut(frame), frame);
    const uint64_t target = map_->audioOfSample(plan.toDecoded(kept));
    if (!decoder_->seekAudioFrame(map_->primingStart(target)))
        return endStream();
    auto heldAudio = [this] {
        const size_t i = size_t(std::max(decoder_->reader().frameIndex(), 0));
        return i < map_->frames.size() ? uint64_t(map_->frames[i].audioIndex) : uint64_t(map_->audioFrames);
    };
    // On the path the reads take, so the state matches theirs.
    configure();
    while (decoder_->hasFrame() && heldAudio() < target)
        decoder_->decodeFrame();
    // The target frame's first delivered frame, and the way to `frame` from there.
    const uint64_t keptAt = plan.keptBefore(map_->sampleOfAudio(target));
    const FormatPlan::Run& run = formats_.runOfAudio(target);
    decoder_->restartFormat(keptAt - run.keptFrom);
    uint64_t skip = frame - std::min(frame, formats_.outOfKept(run, keptAt));
    for (;;) {
        if (!fill())
            return endStream();
        const uint64_t held = pendingEnd_ / format_.channels;
        if (skip < held)
            break;
        skip -= held;
    }
    pendingAt_ = size_t(skip) * format_.channels;
    position_ = frame;
    return true;
}
