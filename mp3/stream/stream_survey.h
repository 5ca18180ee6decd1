#pragma once

#include <cstdint>
#include <memory>

#include "mp3/stream/audio_extent.h"
#include "mp3/stream/byte_source.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_map.h"

// What one pass over a stream's headers finds: its first frame's header, every frame (the map)
// and where the audio lies between the tags.
struct StreamSurvey {
    FrameHeader first;
    StreamMap map;
    AudioExtent extent;
};

// Surveys source from startOffset; false when it cannot be read or holds no frame.
bool surveyStream(std::unique_ptr<ByteSource> source, uint32_t startOffset, StreamSurvey& survey);
