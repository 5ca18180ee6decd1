#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "mp3/decode/pcm_decoder.h"
#include "mp3/exports/mp3_guard.h"
#include "mp3/exports/open_failure.h"
#include "mp3/exports/picture_info.h"
#include "mp3/exports/replay_gain_info.h"
#include "mp3/exports/stream_info.h"
#include "mp3/stream/forward_source.h"
#include "orvane/mp3.h"

// Thin exports over PcmDecoder: check the arguments, convert, call the object, all through the
// library's guard. Handles decode on the kernels the library's vector switches select, read
// afresh at each open and read.

struct OrvaneDecoder : PcmDecoder {
    using PcmDecoder::PcmDecoder;
};

static_assert(TagText::kTitle == ORVANE_TAG_TITLE && TagText::kComment == ORVANE_TAG_COMMENT
                  && TagText::kFieldCount == ORVANE_TAG_FIELDS,
              "the header's tag fields are the tag reader's");

namespace {

using export_guard::kBadArgument;
using export_guard::refuse;

// A handle on the source the factory makes, or a refusal saying why there is none (for a file
// at path, the system's reason when it refuses to open it).
OrvaneDecoder* openWith(PcmDecoder::SourceFactory factory, const char* path = nullptr)
{
    std::unique_ptr<OrvaneDecoder> d(new OrvaneDecoder(factory));
    if (d->open())
        return d.release();
    if (platform::File probe; path != nullptr && !probe.open(path, platform::File::Mode::Read))
        refuseUnopenable(path);
    if (!d->canSeek() && d->sourceFailed())
        refuse(export_guard::kFailed, "the stream's read failed before an MPEG audio frame was found");
    if (!d->canSeek())
        refuse(export_guard::kNotMpeg, "no MPEG audio frame found in the stream");
    std::unique_ptr<ByteSource> source = factory(nullptr);
    if (source == nullptr || !source->isOpen())
        refuse(export_guard::kFailed, "the source cannot be read");
    refuseUndecodable(*source);
}

OrvaneDecoder* require(OrvaneDecoder* decoder)
{
    return export_guard::require(decoder, "no decoder handle");
}

template<typename T> int64_t readWith(OrvaneDecoder* decoder, T* pcm, int64_t frames)
{
    return mp3Guard<int64_t>(-1, [&]() -> int64_t {
        require(decoder);
        if (pcm == nullptr || frames < 0)
            refuse(kBadArgument, "a null buffer or a negative frame count");
        if constexpr (std::is_same_v<T, float>)
            return int64_t(decoder->read(pcm, uint64_t(frames)));
        else
            return int64_t(decoder->readInt16(pcm, uint64_t(frames)));
    });
}

}  // namespace

extern "C" {

MP3_API OrvaneDecoder* OrvaneDecodeOpenFile(const char* path)
{
    return mp3Guard<OrvaneDecoder*>(nullptr, [&]() -> OrvaneDecoder* {
        if (path == nullptr)
            refuse(kBadArgument, "no path given");
        return openWith([p = std::string(path)](TagText*) { return openFileSource(p.c_str()); }, path);
    });
}

MP3_API OrvaneDecoder* OrvaneDecodeOpenMemory(const void* data, uint64_t bytes)
{
    return mp3Guard<OrvaneDecoder*>(nullptr, [&]() -> OrvaneDecoder* {
        if (data == nullptr)
            refuse(kBadArgument, "no data given");
        return openWith([data, bytes](TagText*) { return openMemorySource(data, bytes); });
    });
}

MP3_API OrvaneDecoder* OrvaneDecodeOpenCallbacks(OrvaneReadCallback read, OrvaneSeekCallback seek, void* context)
{
    return mp3Guard<OrvaneDecoder*>(nullptr, [&]() -> OrvaneDecoder* {
        if (read == nullptr)
            refuse(kBadArgument, "a null read callback");
        if (seek == nullptr)
            return openWith([read, context](TagText* endTags) { return openForwardSource(read, context, endTags); });
        std::unique_ptr<ByteSource> probe = openCallbackSource(read, seek, context);
        if (!probe->isOpen())
            refuse(export_guard::kCannotOpen, "the seek callback cannot go to the end and back to 0");
        probe.reset();
        return openWith([read, seek, context](TagText*) { return openCallbackSource(read, seek, context); });
    });
}

MP3_API int32_t OrvaneDecodeGetFormat(OrvaneDecoder* decoder, OrvaneDecodeFormat* format)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        require(decoder);
        if (format == nullptr)
            refuse(kBadArgument, "no format to fill");
        // A source that cannot seek tells what it knows.
        decoder->settleTotal();
        const PcmDecoder::Format& f = decoder->format();
        *format = OrvaneDecodeFormat{};
        format->sampleRate = f.sampleRate;
        format->channels = f.channels;
        format->layer = f.layer;
        format->bitrate = f.bitrate;
        format->samplesPerFrame = f.samplesPerFrame;
        format->totalFrames = f.totalFrames;
        format->encoderDelay = f.encoderDelay;
        format->encoderPadding = f.encoderPadding;
        format->formatChanges = f.formatChanges;
        return 1;
    });
}

MP3_API int64_t OrvaneDecodeReadFloat(OrvaneDecoder* decoder, float* pcm, int64_t frames)
{
    return readWith(decoder, pcm, frames);
}

MP3_API int64_t OrvaneDecodeReadInt16(OrvaneDecoder* decoder, int16_t* pcm, int64_t frames)
{
    return readWith(decoder, pcm, frames);
}

MP3_API int32_t OrvaneDecodeSeek(OrvaneDecoder* decoder, uint64_t frame)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (require(decoder)->seek(frame))
            return 1;
        if (!decoder->canSeek())
            refuse(kBadArgument, "the source cannot seek: only its current frame is a place to seek to");
        refuse(kBadArgument, "a frame past the end, or a source that failed");
    });
}

MP3_API int32_t OrvaneDecodeGetStreamInfo(OrvaneDecoder* decoder, OrvaneStreamInfo* info)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        require(decoder);
        if (info == nullptr)
            refuse(kBadArgument, "no info to fill");
        if (!decoder->canSeek())
            refuse(kBadArgument, "the source cannot seek: its whole stream cannot be surveyed");
        if (decoder->surveyed() == nullptr && decoder->tagVouches()) {
            *info = vouchedStreamInfo(decoder->firstFrame(), decoder->firstAudioFrame(), decoder->firstTag(),
                                      decoder->extent());
            return 1;
        }
        if (!decoder->survey())
            refuse(export_guard::kFailed, "the source failed while its stream was surveyed");
        *info = streamInfo(*decoder->surveyed());
        return 1;
    });
}

MP3_API int32_t OrvaneDecodeGetTagText(OrvaneDecoder* decoder, int32_t field, char* buffer, int32_t size)
{
    return mp3Guard<int32_t>(-1, [&]() -> int32_t {
        require(decoder);
        if (field < 0 || field >= TagText::kFieldCount || size < 0 || (buffer == nullptr && size > 0))
            refuse(kBadArgument, "a field outside 0..6, a negative size or a null buffer with a size");
        return tag_text::copyOut(decoder->tags()[TagText::Field(field)], buffer, size);
    });
}

MP3_API int32_t OrvaneDecodeGetPictureInfo(OrvaneDecoder* decoder, OrvanePictureInfo* info)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        require(decoder);
        if (info == nullptr)
            refuse(kBadArgument, "no info to fill");
        fillPictureInfo(decoder->tags().picture, *info);
        return 1;
    });
}

MP3_API int32_t OrvaneDecodeGetReplayGain(OrvaneDecoder* decoder, OrvaneReplayGain* gain)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        require(decoder);
        if (gain == nullptr)
            refuse(kBadArgument, "no gain to fill");
        fillReplayGainInfo(decoder->replayGain(), *gain);
        return 1;
    });
}

MP3_API int32_t OrvaneDecodeSetReplayGain(OrvaneDecoder* decoder, int32_t mode)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        require(decoder);
        if (mode < 0 || mode > 2)
            refuse(kBadArgument, "a ReplayGain mode outside 0..2");
        if (!decoder->setReplayGain(mode))
            refuse(export_guard::kFailed, "the source failed");
        return 1;
    });
}

MP3_API int32_t OrvaneDecodeSetGapless(OrvaneDecoder* decoder, int32_t enable)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (!require(decoder)->setGapless(enable != 0))
            refuse(kBadArgument, "the source cannot seek and its reading has begun");
        return 1;
    });
}

MP3_API uint64_t OrvaneDecodeTell(OrvaneDecoder* decoder)
{
    return mp3Guard<uint64_t>(0, [&]() -> uint64_t { return require(decoder)->position(); });
}

MP3_API void OrvaneDecodeClose(OrvaneDecoder* decoder)
{
    mp3Guard([&] { delete decoder; });
}

}  // extern "C"
