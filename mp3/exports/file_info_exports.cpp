#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "mp3/exports/picture_info.h"
#include "mp3/stream/audio_extent.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"
#include "orvane/mp3.h"

namespace {

// Opens the file, reads its first frame and hands reader and header to query; 0 on any failure.
template<typename Query> int32_t withFirstFrame(const char* path, int32_t startOffset, Query query)
{
    if (path == nullptr || startOffset < 0)
        return 0;
    // The reader holds a 64 KiB buffer: keep it off the caller's stack.
    std::unique_ptr<StreamReader> reader(new (std::nothrow) StreamReader(path, uint32_t(startOffset)));
    if (!reader || !reader->isOpen())
        return 0;
    FrameHeader header;
    if (!header.readFrame(*reader, nullptr))
        return 0;
    return query(*reader, header);
}

template<typename Query> int32_t guarded(const char* path, int32_t startOffset, Query query)
{
    try {
        return withFirstFrame(path, startOffset, query);
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" MP3_API int32_t OrvaneGetTotalMs(const char* path, int32_t startOffset)
{
    return guarded(path, startOffset, [](const StreamReader& r, const FrameHeader& h) {
        return int32_t(std::min(double(h.totalMs(r)), 2147483647.0));
    });
}

extern "C" MP3_API int32_t OrvaneGetFirstBitrate(const char* path, int32_t startOffset)
{
    return guarded(path, startOffset, [](const StreamReader&, const FrameHeader& h) { return h.bitrate(); });
}

extern "C" MP3_API int32_t OrvaneGetTagText(const char* path, int32_t startOffset, int32_t field, char* buffer,
                                            int32_t size)
{
    if (field < 0 || field >= TagText::kFieldCount || size < 0 || (buffer == nullptr && size > 0))
        return -1;
    try {
        TagText text;
        if (!readTagText(path, startOffset, text))
            return -1;
        return tag_text::copyOut(text[TagText::Field(field)], buffer, size);
    } catch (...) {
        return -1;
    }
}

extern "C" MP3_API int32_t OrvaneGetStreamInfo(const char* path, int32_t startOffset, OrvaneStreamInfo* info)
{
    if (info == nullptr)
        return 0;
    return guarded(path, startOffset, [info](StreamReader& r, FrameHeader& h) {
        OrvaneStreamInfo s{};
        s.version = h.version() == 1 ? 10 : h.mpeg25() ? 25 : 20;
        s.layer = uint32_t(h.layer());
        s.sampleRate = uint32_t(h.sampleRate());
        s.channelMode = uint32_t(h.mode() & 3);
        s.crc = h.protectionBit() == 0 ? 1 : 0;
        s.firstBitrate = uint32_t(std::max(h.bitrate(), 0));
        s.samplesPerFrame = uint32_t(h.samplesPerFrame());
        const VbrInfo& vbr = r.vbrInfo();
        if (r.vbrTagPresent()) {
            s.vbrTag = vbr.constantBitrate ? 2 : 1;
            s.vbrTagFrames = uint32_t(std::max(vbr.frames, 0));
            s.encoderTag = vbr.encoderExtension ? 1 : 0;
            s.encoderDelay = vbr.encoderExtension ? uint32_t(std::max(vbr.encoderDelay, 0)) : 0;
            s.encoderPadding = vbr.encoderExtension ? uint32_t(std::max(vbr.encoderPadding, 0)) : 0;
        }
        // Every frame counted; the one carrying a VBR tag holds no audio.
        bool more = true;
        if (r.vbrTagPresent())
            more = h.readFrame(r, nullptr);
        for (; more; more = h.readFrame(r, nullptr)) {
            ++s.frames;
            s.samples += uint64_t(h.samplesPerFrame());
            s.audioBytes += uint64_t(h.bodySize()) + 4;
            if (uint32_t(std::max(h.bitrate(), 0)) != s.firstBitrate)
                s.variableBitrate = 1;
        }
        const AudioExtent& extent = r.extent();
        s.tags = (extent.id3v2 ? 1u : 0u) | (extent.ape ? 2u : 0u) | (extent.id3v1 ? 4u : 0u);
        s.truncated = r.truncated() ? 1 : 0;
        *info = s;
        return 1;
    });
}

extern "C" MP3_API int32_t OrvaneGetPictureInfo(const char* path, int32_t startOffset, OrvanePictureInfo* info)
{
    if (info == nullptr)
        return 0;
    try {
        TagText text;
        if (!readTagText(path, startOffset, text))
            return 0;
        fillPictureInfo(text.picture, *info);
        return 1;
    } catch (...) {
        return 0;
    }
}
