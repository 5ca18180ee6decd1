#include "mp3/stream/file_replay_gain.h"

#include <memory>

#include "mp3/stream/audio_extent.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"

bool readReplayGain(const char* path, int64_t startOffset, ReplayGain& gain)
{
    TagText tags;
    if (startOffset > INT32_MAX || !readTagText(path, startOffset, tags))
        return false;
    // The reader holds a 64 KiB buffer: keep it off the caller's stack.
    std::unique_ptr<StreamReader> reader(new StreamReader(path, uint32_t(startOffset)));
    FrameHeader header;
    const bool framed = reader->isOpen() && header.readFrame(*reader, nullptr);
    gain = tags.resolvedReplayGain(framed ? reader->vbrInfo().replayGain : ReplayGain{});
    return true;
}
