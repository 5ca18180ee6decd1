#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mp3/stream/vbr_tag.h"

class StreamReader;

// Every frame of a stream as one pass over its headers finds it: where it starts, how far its
// Layer III main data reaches back, and whether it carries a VBR tag instead of audio. Streams
// joined end to end hold such a tag at the start of each part; a tag speaks only for its part.
struct StreamMap {
    struct Frame {
        int64_t offset = 0;  // of the header, from the audio's start
        uint32_t header = 0;
        uint32_t bytes = 0;          // header included
        uint32_t audioIndex = 0;     // audio frames before this one
        uint16_t mainDataBytes = 0;  // Layer III: bytes after the side information
        uint16_t mainDataBegin = 0;  // Layer III: bytes of earlier frames its main data starts in
        bool tag = false;            // carries a VBR tag: no audio
    };
    struct Part {
        size_t firstFrame = 0;  // index into frames: the tag's frame in a tagged part
        uint32_t audioFrames = 0;
        uint64_t bytes = 0;  // of all its frames, the tag's included
        bool tagged = false;
        bool counted = false;  // the tag's frame and byte counts are usable
        VbrInfo tag;
    };

    // A run of audio frames of one sampling rate, channel count and frame size. A stream
    // changes format where files of different formats were joined.
    struct Format {
        uint32_t firstAudio = 0;   // audio frames before its first
        uint64_t firstSample = 0;  // decoded samples per channel before its first
        int32_t sampleRate = 0;
        int32_t channels = 0;
        int32_t samplesPerFrame = 0;
    };

    std::vector<Frame> frames;
    std::vector<Part> parts;
    std::vector<Format> formats;
    uint32_t audioFrames = 0;
    uint64_t samples = 0;         // decoded samples per channel of every audio frame
    int32_t samplesPerFrame = 0;  // of the first frame
    int32_t layer = 0;            // of the first frame
    int32_t sampleRate = 0;       // of the first frame, Hz
    bool truncated = false;       // the last frame is cut off (it is not in frames)

    // Index into frames of audio frame `audio` (tag frames passed over); frames.size() past the end.
    size_t frameOfAudio(uint64_t audio) const;
    // The format run holding audio frame `audio` (the last one past the end); 0 without runs.
    size_t formatOfAudio(uint64_t audio) const;
    // Decoded samples per channel before audio frame `audio` (all of them past the end).
    uint64_t sampleOfAudio(uint64_t audio) const;
    // The audio frame that decodes to sample `sample` (audioFrames past the end).
    uint64_t audioOfSample(uint64_t sample) const;
    // The audio frame from which decoding must start, with the decoder's state reset, for audio
    // frame `audio` to come out as in a decode from the start: the frames whose bytes its main
    // data and that of the two before it draw on (the filter bank's overlap reaches back that far).
    uint64_t primingStart(uint64_t audio) const;
};

// Reads every frame from where reader stands (freshly opened: its first frame) to the end; false
// when none is found.
bool scanStream(StreamReader& reader, StreamMap& map);
