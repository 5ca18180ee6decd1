#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "orvane/mp3.h"
#include "mp3/player/audio_extent.h"
#include "mp3/player/frame_header.h"
#include "mp3/player/stream_reader.h"

namespace {

// Opens the file, reads its first frame and hands reader and header to query; 0 on any failure.
template <typename Query>
int32_t withFirstFrame(const char* path, int32_t startOffset, Query query)
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

template <typename Query>
int32_t guarded(const char* path, int32_t startOffset, Query query)
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
        const std::string& value = text[TagText::Field(field)];
        if (size > 0) {
            // Cut at a character boundary: never before a UTF-8 continuation byte.
            size_t n = std::min(value.size(), size_t(size) - 1);
            while (n > 0 && n < value.size() && (uint8_t(value[n]) & 0xC0) == 0x80)
                --n;
            std::memcpy(buffer, value.data(), n);
            buffer[n] = '\0';
        }
        return int32_t(std::min<size_t>(value.size(), INT32_MAX));
    } catch (...) {
        return -1;
    }
}
