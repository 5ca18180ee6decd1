#include "mp3/stream/frame_count.h"

#include <algorithm>
#include <memory>
#include <new>

#include "mp3/stream/stream_map.h"
#include "mp3/stream/stream_reader.h"

int32_t countAudioFrames(const char* path, uint32_t startOffset)
{
    // The reader holds a 64 KiB buffer: keep it off the caller's stack.
    std::unique_ptr<StreamReader> reader(new (std::nothrow) StreamReader(path, startOffset));
    if (!reader || !reader->isOpen())
        return 0;
    StreamMap map;
    if (!scanStream(*reader, map))
        return 0;
    return int32_t(std::min<uint32_t>(map.audioFrames, INT32_MAX));
}
