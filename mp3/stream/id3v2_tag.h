#pragma once

#include <cstddef>
#include <cstdint>

#include "mp3/stream/tag_text.h"

// The ID3v2 tag (versions 2.2, 2.3 and 2.4) that starts many files.
namespace id3v2 {

constexpr size_t kHeaderBytes = 10;

// Bytes the tag starting at head takes (header, body and footer); 0 when the first n bytes do
// not start one (n must be at least kHeaderBytes to tell).
uint64_t tagSize(const uint8_t* head, size_t n);
// Reads the text frames, the picture and the ReplayGain frames (TXXX, RVA2) of a whole tag (tag
// holds the tagSize bytes, n of them) into text;
// fields already set are kept. Frames with sizes past the tag, compressed or encrypted frames
// and unknown encodings are passed over.
void readText(const uint8_t* tag, size_t n, TagText& text);

}  // namespace id3v2
