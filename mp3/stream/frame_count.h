#pragma once

#include <cstdint>

// Audio frames of a file from startOffset: the VBR tag's count when there is one, else every
// frame counted by reading the stream through (the frame carrying a tag is not audio). Variable
// bitrate streams without a tag make any estimate from the first frame wrong. 0 when the file
// cannot be opened or holds no frame.
int32_t countAudioFrames(const char* path, uint32_t startOffset);
