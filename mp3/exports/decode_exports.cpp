#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "mp3/decode/pcm_decoder.h"
#include "mp3/exports/picture_info.h"
#include "mp3/player/player_settings.h"
#include "orvane/mp3.h"

// Thin exports over PcmDecoder: check the arguments, convert, call the object. Nothing thrown
// inside (out of memory) crosses them. Handles decode on the kernels the library's vector switches
// select, read afresh at each open and read.

struct OrvaneDecoder : PcmDecoder {
    using PcmDecoder::PcmDecoder;
};

namespace {

OrvaneDecoder* openWith(PcmDecoder::SourceFactory factory)
{
    try {
        auto* d = new OrvaneDecoder(std::move(factory));
        d->setVectorPath(player::activePath());
        if (d->open())
            return d;
        delete d;
    } catch (...) { }
    return nullptr;
}

template<typename T> int64_t readWith(OrvaneDecoder* decoder, T* pcm, int64_t frames)
{
    if (decoder == nullptr || pcm == nullptr || frames < 0)
        return -1;
    try {
        // The process's vector switches apply to what each read decodes.
        decoder->setVectorPath(player::activePath());
        if constexpr (std::is_same_v<T, float>)
            return int64_t(decoder->read(pcm, uint64_t(frames)));
        else
            return int64_t(decoder->readInt16(pcm, uint64_t(frames)));
    } catch (...) {
        return -1;
    }
}

}  // namespace

extern "C" {

MP3_API OrvaneDecoder* OrvaneDecodeOpenFile(const char* path)
{
    if (path == nullptr)
        return nullptr;
    try {
        return openWith([p = std::string(path)] { return openFileSource(p.c_str()); });
    } catch (...) {
        return nullptr;
    }
}

MP3_API OrvaneDecoder* OrvaneDecodeOpenMemory(const void* data, uint64_t bytes)
{
    if (data == nullptr)
        return nullptr;
    return openWith([data, bytes] { return openMemorySource(data, bytes); });
}

MP3_API OrvaneDecoder* OrvaneDecodeOpenCallbacks(OrvaneReadCallback read, OrvaneSeekCallback seek, void* context)
{
    if (read == nullptr || seek == nullptr)
        return nullptr;
    return openWith([read, seek, context] { return openCallbackSource(read, seek, context); });
}

MP3_API int32_t OrvaneDecodeGetFormat(OrvaneDecoder* decoder, OrvaneDecodeFormat* format)
{
    if (decoder == nullptr || format == nullptr)
        return 0;
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
    return 1;
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
    if (decoder == nullptr)
        return 0;
    try {
        return decoder->seek(frame) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

MP3_API int32_t OrvaneDecodeGetTagText(OrvaneDecoder* decoder, int32_t field, char* buffer, int32_t size)
{
    if (decoder == nullptr || field < 0 || field >= TagText::kFieldCount || size < 0 || (buffer == nullptr && size > 0))
        return -1;
    return tag_text::copyOut(decoder->tags()[TagText::Field(field)], buffer, size);
}

MP3_API int32_t OrvaneDecodeGetPictureInfo(OrvaneDecoder* decoder, OrvanePictureInfo* info)
{
    if (decoder == nullptr || info == nullptr)
        return 0;
    fillPictureInfo(decoder->tags().picture, *info);
    return 1;
}

MP3_API int32_t OrvaneDecodeSetGapless(OrvaneDecoder* decoder, int32_t enable)
{
    if (decoder == nullptr)
        return 0;
    try {
        decoder->setGapless(enable != 0);
        return 1;
    } catch (...) {
        return 0;
    }
}

MP3_API uint64_t OrvaneDecodeTell(OrvaneDecoder* decoder)
{
    return decoder != nullptr ? decoder->position() : 0;
}

MP3_API void OrvaneDecodeClose(OrvaneDecoder* decoder)
{
    delete decoder;
}

}  // extern "C"
