#pragma once

#include <cstdint>

#include "mp3/stream/replay_gain.h"

// The ReplayGain of the file at path (from startOffset): its tags' values, then those of the
// encoder's tag in its first frame. False when the file cannot be opened.
bool readReplayGain(const char* path, int64_t startOffset, ReplayGain& gain);
