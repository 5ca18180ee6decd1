#pragma once

#include <cstdint>

#include "mp3/stream/byte_source.h"
#include "mp3/stream/tag_text.h"

// Where the audio of a file lies between its tags.
struct AudioExtent {
    int64_t start = 0;  // first byte after the leading ID3v2 tags
    int64_t end = 0;    // first byte of the end tags, or the file's size (INT64_MAX: unknown)
    bool id3v2 = false;
    bool id3v1 = false;
    bool ape = false;
};

// Finds the extent of an open file from startOffset: ID3v2 tags there (one after another) are
// skipped by their sizes, ID3v1 and APEv2 tags at the end are left out. A tag whose size runs
// past the file is not skipped (the frame search then passes over it). Adds the tags' text to
// text when it is not null. The file position is left undefined. A source that cannot seek
// hides its end tags itself: its extent runs to INT64_MAX.
AudioExtent findAudioExtent(ByteSource& file, int64_t startOffset, TagText* text);

// Opens path and reads the text of its tags (from startOffset on); false when it cannot be opened.
bool readTagText(const char* path, int64_t startOffset, TagText& text);
