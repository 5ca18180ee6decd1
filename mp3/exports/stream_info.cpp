#include "mp3/exports/stream_info.h"

#include <algorithm>

#include "mp3/decode/format_plan.h"
#include "mp3/decode/gapless_plan.h"

namespace {

// The first frame's fields, the first part's tag and the tags around the audio.
OrvaneStreamInfo describe(const FrameHeader::Summary& h, const VbrInfo* tag, bool counted, const AudioExtent& extent)
{
    OrvaneStreamInfo s{};
    s.version = h.version == 1 ? 10 : h.mpeg25 ? 25 : 20;
    s.layer = uint32_t(h.layer);
    s.sampleRate = uint32_t(h.sampleRate);
    s.channelMode = uint32_t(h.mode & 3);
    s.crc = h.crc ? 1 : 0;
    s.firstBitrate = uint32_t(std::max(h.bitrate, 0));
    s.samplesPerFrame = uint32_t(h.samplesPerFrame);
    if (tag != nullptr) {
        s.vbrTag = tag->constantBitrate ? 2 : 1;
        s.vbrTagFrames = counted ? uint32_t(std::max(tag->frames, 0)) : 0;
        s.encoderTag = tag->encoderExtension ? 1 : 0;
        s.encoderDelay = tag->encoderExtension ? uint32_t(std::max(tag->encoderDelay, 0)) : 0;
        s.encoderPadding = tag->encoderExtension ? uint32_t(std::max(tag->encoderPadding, 0)) : 0;
    }
    s.tags = (extent.id3v2 ? 1u : 0u) | (extent.ape ? 2u : 0u) | (extent.id3v1 ? 4u : 0u);
    return s;
}

}  // namespace

OrvaneStreamInfo streamInfo(const StreamSurvey& survey)
{
    const StreamMap& map = survey.map;
    const StreamMap::Part& first = map.parts.front();
    OrvaneStreamInfo s
        = describe(survey.first.summary(), first.tagged ? &first.tag : nullptr, first.counted, survey.extent);
    // Every frame counted; those carrying a VBR tag hold no audio.
    uint32_t firstBitrateIndex = 16;
    for (const StreamMap::Frame& f : map.frames) {
        if (f.tag)
            continue;
        const uint32_t index = (f.header >> 12) & 15;
        if (firstBitrateIndex == 16)
            firstBitrateIndex = index;
        ++s.frames;
        s.audioBytes += f.bytes;
        if (index != firstBitrateIndex)
            s.variableBitrate = 1;
    }
    s.samples = map.samples;
    s.formatChanges = FormatPlan(map, GaplessPlan(map, false)).changes();
    s.truncated = map.truncated ? 1 : 0;
    return s;
}

OrvaneStreamInfo vouchedStreamInfo(const FrameHeader::Summary& first, const FrameHeader::Summary& firstAudio,
                                   const VbrInfo& tag, const AudioExtent& extent)
{
    OrvaneStreamInfo s = describe(first, &tag, true, extent);
    // The encoder wrote one format. Frames of one bitrate are each the first audio frame's length
    // with or without a padding byte, so any other total means the bitrate varies.
    s.frames = uint32_t(tag.frames);
    s.audioBytes = uint64_t(std::max(tag.bytes - first.bytes, 0));
    s.samples = uint64_t(tag.frames) * uint64_t(first.samplesPerFrame);
    const uint64_t unpadded = uint64_t(std::max(firstAudio.bytes - (firstAudio.padded ? 1 : 0), 0));
    s.variableBitrate = s.audioBytes < s.frames * unpadded || s.audioBytes > s.frames * (unpadded + 1) ? 1 : 0;
    return s;
}
