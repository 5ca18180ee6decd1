#pragma once

#include "mp3/stream/byte_source.h"

// Refuses (export_guard::Refusal) an open that found no decodable frame, saying why from what
// the source holds: a free-format stream whose frame length cannot be found, a stream that ends inside its first
// frame, or no MPEG audio at all. The source is read from its start.
[[noreturn]] void refuseUndecodable(ByteSource& source);

// Refuses an open of path that the system turned down, in the system's words.
[[noreturn]] void refuseUnopenable(const char* path);
