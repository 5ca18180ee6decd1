#include "mp3/stream/stream_map.h"

#include <algorithm>

#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"

size_t StreamMap::frameOfAudio(uint64_t audio) const
{
    if (audio >= audioFrames)
        return frames.size();
    // The first frame whose audio index is `audio` and that holds audio.
    const auto it = std::partition_point(frames.begin(), frames.end(), [audio](const Frame& f) {
        return f.audioIndex < audio || (f.audioIndex == audio && f.tag);
    });
    return size_t(it - frames.begin());
}

uint64_t StreamMap::primingStart(uint64_t audio) const
{
    if (layer != 3)
        return audio > 2 ? audio - 2 : 0;
    uint64_t start = audio;
    for (uint64_t back = 0; back <= 2 && back <= audio; ++back) {
        size_t i = frameOfAudio(audio - back);
        if (i >= frames.size())
            continue;
        int64_t need = frames[i].mainDataBegin;
        while (need > 0 && i > 0) {
            --i;
            if (!frames[i].tag)
                need -= frames[i].mainDataBytes;
        }
        start = std::min<uint64_t>(start, frames[i].audioIndex);
    }
    return start;
}

bool scanStream(StreamReader& reader, StreamMap& map)
{
    map = StreamMap{};
    FrameHeader header;
    while (header.readFrame(reader, nullptr)) {
        StreamMap::Frame f;
        f.offset = reader.frameOffset();
        f.header = reader.frameHeaderWord();
        f.bytes = uint32_t(header.bodySize()) + 4;
        f.audioIndex = map.audioFrames;
        VbrInfo tag;
        bool counted = false;
        if (header.layer() == 3) {
            f.mainDataBegin = uint16_t(reader.getBits(header.version() == 1 ? 9 : 8));
            f.mainDataBytes = uint16_t(std::clamp(header.mainDataSize(), 0, 0xFFFF));
            counted = reader.frameVbrTag(tag);
            f.tag = tag.found;
        }
        if (map.frames.empty()) {
            map.samplesPerFrame = header.samplesPerFrame();
            map.layer = header.layer();
            map.sampleRate = header.sampleRate();
        }
        if (f.tag || map.parts.empty()) {
            StreamMap::Part part;
            part.firstFrame = map.frames.size();
            part.tagged = f.tag;
            part.counted = f.tag && counted;
            part.tag = tag;
            map.parts.push_back(part);
        }
        map.parts.back().bytes += f.bytes;
        if (!f.tag) {
            ++map.audioFrames;
            ++map.parts.back().audioFrames;
        }
        map.frames.push_back(f);
        if (map.audioFrames == UINT32_MAX)
            break;
    }
    map.truncated = reader.truncated();
    return !map.frames.empty();
}
