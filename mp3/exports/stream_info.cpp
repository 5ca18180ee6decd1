#include "mp3/exports/stream_info.h"

#include <algorithm>

OrvaneStreamInfo streamInfo(const StreamSurvey& survey)
{
    const FrameHeader& h = survey.first;
    const StreamMap& map = survey.map;
    OrvaneStreamInfo s{};
    s.version = h.version() == 1 ? 10 : h.mpeg25() ? 25 : 20;
    s.layer = uint32_t(h.layer());
    s.sampleRate = uint32_t(h.sampleRate());
    s.channelMode = uint32_t(h.mode() & 3);
    s.crc = h.protectionBit() == 0 ? 1 : 0;
    s.firstBitrate = uint32_t(std::max(h.bitrate(), 0));
    s.samplesPerFrame = uint32_t(h.samplesPerFrame());
    const StreamMap::Part& first = map.parts.front();
    const VbrInfo& vbr = first.tag;
    if (first.tagged) {
        s.vbrTag = vbr.constantBitrate ? 2 : 1;
        s.vbrTagFrames = first.counted ? uint32_t(std::max(vbr.frames, 0)) : 0;
        s.encoderTag = vbr.encoderExtension ? 1 : 0;
        s.encoderDelay = vbr.encoderExtension ? uint32_t(std::max(vbr.encoderDelay, 0)) : 0;
        s.encoderPadding = vbr.encoderExtension ? uint32_t(std::max(vbr.encoderPadding, 0)) : 0;
    }
    // Every frame counted; those carrying a VBR tag hold no audio.
    uint32_t firstBitrateIndex = 16;
    for (const StreamMap::Frame& f : map.frames) {
        if (f.tag)
            continue;
        const uint32_t index = (f.header >> 12) & 15;
        if (firstBitrateIndex == 16)
            firstBitrateIndex = index;
        ++s.frames;
        s.samples += uint64_t(map.samplesPerFrame);
        s.audioBytes += f.bytes;
        if (index != firstBitrateIndex)
            s.variableBitrate = 1;
    }
    const AudioExtent& extent = survey.extent;
    s.tags = (extent.id3v2 ? 1u : 0u) | (extent.ape ? 2u : 0u) | (extent.id3v1 ? 4u : 0u);
    s.truncated = map.truncated ? 1 : 0;
    return s;
}
