#pragma once

#include <memory>

#include "mp3/stream/byte_source.h"
#include "mp3/stream/tag_text.h"

// A stream read once, front to back, through a read callback alone (a pipe, a socket). It keeps
// the bytes near its position, so a reader may look ahead and step back a little, and it holds
// back the newest bytes until more come, so that ID3v1 and APEv2 tags at the very end are seen
// whole before any of their bytes is handed out: reads end where the audio ends, and the text of
// those tags goes to endTags (when not null) as the end is reached. canSeek() is false and
// size() is -1. An APEv2 tag without a header is only recognised when it fits the held-back bytes.
std::unique_ptr<ByteSource> openForwardSource(ReadCallback read, void* context, TagText* endTags);
