#pragma once

#include <cstdint>

// Audio frames of a file from startOffset, every one counted by reading the stream's headers
// through (frames carrying a VBR tag are not audio; a tag's own count is only a claim). 0 when
// the file cannot be opened or holds no frame.
int32_t countAudioFrames(const char* path, uint32_t startOffset);
