#include "mp3/stream/frame_count.h"

#include <memory>
#include <new>

#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"

int32_t countAudioFrames(const char* path, uint32_t startOffset)
{
    // The reader holds a 64 KiB buffer: keep it off the caller's stack.
    std::unique_ptr<StreamReader> reader(new (std::nothrow) StreamReader(path, startOffset));
    if (!reader || !reader->isOpen())
        return 0;
    FrameHeader header;
    if (!header.readFrame(*reader, nullptr))
        return 0;
    if (reader->vbrTagPresent())
        return reader->vbrInfo().frames;
    int32_t frames = 1;
    while (frames < INT32_MAX && header.readFrame(*reader, nullptr))
        ++frames;
    return frames;
}
