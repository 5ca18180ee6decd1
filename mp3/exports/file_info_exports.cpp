#include <algorithm>
#include <cstring>
#include <memory>

#include "mp3/exports/mp3_guard.h"
#include "mp3/exports/open_failure.h"
#include "mp3/exports/picture_info.h"
#include "mp3/stream/audio_extent.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"
#include "orvane/mp3.h"

namespace {

using export_guard::kBadArgument;
using export_guard::refuse;

// Opens the file, reads its first frame and hands reader and header to query; a refusal saying
// why when it cannot. The whole runs through the library's guard, failing with 0.
template<typename Query> int32_t withFirstFrame(const char* path, int32_t startOffset, Query query)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path given, or a negative start offset");
        // The reader holds a 64 KiB buffer: keep it off the caller's stack.
        std::unique_ptr<StreamReader> reader(new StreamReader(path, uint32_t(startOffset)));
        if (!reader->isOpen())
            refuseUnopenable(path);
        FrameHeader header;
        if (!header.readFrame(*reader, nullptr)) {
            reader.reset();
            const std::unique_ptr<ByteSource> source = openFileSource(path);
            refuseUndecodable(*source);
        }
        return query(*reader, header);
    });
}

}  // namespace

extern "C" MP3_API int32_t OrvaneGetTotalMs(const char* path, int32_t startOffset)
{
    return withFirstFrame(path, startOffset, [](const StreamReader& r, const FrameHeader& h) {
        return int32_t(std::min(double(h.totalMs(r)), 2147483647.0));
    });
}

extern "C" MP3_API int32_t OrvaneGetFirstBitrate(const char* path, int32_t startOffset)
{
    return withFirstFrame(path, startOffset, [](const StreamReader&, const FrameHeader& h) { return h.bitrate(); });
}

extern "C" MP3_API int32_t OrvaneGetTagText(const char* path, int32_t startOffset, int32_t field, char* buffer,
                                            int32_t size)
{
    return mp3Guard<int32_t>(-1, [&]() -> int32_t {
        if (field < 0 || field >= TagText::kFieldCount || size < 0 || (buffer == nullptr && size > 0))
            refuse(kBadArgument, "a field outside 0..6, a negative size or a null buffer with a size");
        if (path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path given, or a negative start offset");
        TagText text;
        if (!readTagText(path, startOffset, text))
            refuseUnopenable(path);
        return tag_text::copyOut(text[TagText::Field(field)], buffer, size);
    });
}

extern "C" MP3_API int32_t OrvaneGetStreamInfo(const char* path, int32_t startOffset, OrvaneStreamInfo* info)
{
    if (info == nullptr)
        return mp3Guard<int32_t>(0, []() -> int32_t { refuse(kBadArgument, "no info to fill"); });
    return withFirstFrame(path, startOffset, [info](StreamReader& r, FrameHeader& h) {
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
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (info == nullptr || path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path or info given, or a negative start offset");
        TagText text;
        if (!readTagText(path, startOffset, text))
            refuseUnopenable(path);
        fillPictureInfo(text.picture, *info);
        return 1;
    });
}
