#pragma once

#include <cstdint>

#include "mp3/stream/byte_source.h"
#include "mp3/stream/tag_text.h"

// Tags after the audio: an ID3v1 tag in the last 128 bytes and an APEv2 tag before it (or at the
// very end). Neither holds audio, so the frame search, the duration and every seek stop where they start.
namespace end_tags {

struct Found {
    int64_t audioEnd = 0;  // first byte after the audio
    bool id3v1 = false;
    bool ape = false;
};

// Looks at the end of file (size bytes) for the tags, but never before floor (the start of the
// audio), and adds their text to text when it is not null. A tag whose sizes do not fit the
// file is taken as audio.
Found find(ByteSource& file, int64_t size, int64_t floor, TagText* text);

}  // namespace end_tags
